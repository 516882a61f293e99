#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__FIELD_LIST_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__FIELD_LIST_HPP_

// Compile-time walk over a message's fields, shared by both representations
// and every type support: FieldList<M>::visit calls a visitor with each member
// of M and a Field<kind> tag, in wire order.

#include <cstddef>

namespace orvane_h26x_msgs::msg::detail
{

enum class FieldKind
{
  UINT8,
  UINT32,
  UINT64,
  STRING,
  UINT8_SEQUENCE,
  STRING_SEQUENCE,
  HEADER,
  HEADER_SEQUENCE,
  MESSAGE_SEQUENCE,
  TIME,  // builtin_interfaces/Time (foreign types only)
};

constexpr bool is_integer(FieldKind kind)
{
  return kind == FieldKind::UINT8 || kind == FieldKind::UINT32 || kind == FieldKind::UINT64;
}

constexpr bool is_sequence(FieldKind kind)
{
  return kind == FieldKind::UINT8_SEQUENCE || kind == FieldKind::STRING_SEQUENCE ||
         kind == FieldKind::HEADER_SEQUENCE || kind == FieldKind::MESSAGE_SEQUENCE;
}

template<FieldKind Kind>
struct Field
{
  static constexpr FieldKind kind = Kind;
  const char * name;
  std::size_t index;
};

// Specialised for every plain record and message class.
template<class Message>
struct FieldList;

}  // namespace orvane_h26x_msgs::msg::detail

#define ORVANE_H26X_MSGS__FIELD_TAG(name, kind) \
  ::orvane_h26x_msgs::msg::detail::Field<::orvane_h26x_msgs::msg::detail::FieldKind::kind>{#name, index++}
#define ORVANE_H26X_MSGS__VISIT_FIELD(name, kind, element) \
  && visitor(message.name, ORVANE_H26X_MSGS__FIELD_TAG(name, kind))
#define ORVANE_H26X_MSGS__VISIT_FIELD_PAIR(name, kind, element) \
  && visitor(first.name, second.name, ORVANE_H26X_MSGS__FIELD_TAG(name, kind))
#define ORVANE_H26X_MSGS__COUNT_FIELD(name, kind, element) + 1
#define ORVANE_H26X_MSGS__FIELD_KIND(name, kind, element) ::orvane_h26x_msgs::msg::detail::FieldKind::kind,

// Body of FieldList<...> for message Type. A visitor returns false to stop the
// walk early; visit() then returns false.
#define ORVANE_H26X_MSGS__FIELD_LIST_BODY(Type) \
  ORVANE_H26X_MSGS__FIELD_LIST_BODY_FROM(Type, orvane_h26x_msgs__msg__ ## Type ## __FIELDS)

// The same for any type whose fields FIELDS(X) lists (a foreign type too).
#define ORVANE_H26X_MSGS__FIELD_LIST_BODY_FROM(Type, FIELDS) \
  static constexpr const char * name = #Type; \
  static constexpr std::size_t size = 0 FIELDS(ORVANE_H26X_MSGS__COUNT_FIELD); \
  static constexpr ::orvane_h26x_msgs::msg::detail::FieldKind kinds[] = { \
    FIELDS(ORVANE_H26X_MSGS__FIELD_KIND) \
  }; \
  template<class M, class V> \
  static bool visit(M & message, V && visitor) \
  { \
    std::size_t index = 0; \
    (void)index; \
    return true FIELDS(ORVANE_H26X_MSGS__VISIT_FIELD); \
  } \
  template<class M1, class M2, class V> \
  static bool visit_pair(M1 & first, M2 & second, V && visitor) \
  { \
    std::size_t index = 0; \
    (void)index; \
    return true FIELDS(ORVANE_H26X_MSGS__VISIT_FIELD_PAIR); \
  }

#define ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(X) \
  X(Image) X(Compressed) X(DualCompressedImage) X(OriginalImage) X(MultiImage) X(MultiCompressed)

// The same, with each message's name as ROS 2 writes it in file and function
// names (image, dual_compressed_image, ...).
#define ORVANE_H26X_MSGS__FOR_EACH_MESSAGE_NAMED(X) \
  X(Image, image) X(Compressed, compressed) X(DualCompressedImage, dual_compressed_image) \
  X(OriginalImage, original_image) X(MultiImage, multi_image) X(MultiCompressed, multi_compressed)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__FIELD_LIST_HPP_
