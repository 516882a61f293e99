#ifndef ORVANE_H26X_MSGS__COMMON__CLASS_CDR_HPP_
#define ORVANE_H26X_MSGS__COMMON__CLASS_CDR_HPP_

// Serialize, deserialize and sizes of any message class, walking its field
// list. Every failure leaves as a Fast-CDR (or allocation) exception.

#include <string>

#include "fastcdr/exceptions/BadParamException.h"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/image__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_image__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/original_image__rosidl_typesupport_fastrtps_cpp.hpp"
#include "cdr_common.hpp"

namespace orvane_h26x_msgs::msg::detail
{

using eprosima::fastcdr::Cdr;
namespace header_cdr = ::std_msgs::msg::typesupport_fastrtps_cpp;
namespace own_cdr = ::orvane_h26x_msgs::msg::typesupport_fastrtps_cpp;

struct ClassNested
{
  static std::size_t header_size(const std_msgs::msg::Header & header, std::size_t p)
  {
    return header_cdr::get_serialized_size(header, p);
  }
  static std::size_t header_max_size(std::size_t p)
  {
    bool full_bounded = false, is_plain = false;
    return header_cdr::max_serialized_size_Header(full_bounded, is_plain, p);
  }
  template<class Message>
  static std::size_t message_size(const Message & message, std::size_t p)
  {
    return own_cdr::get_serialized_size(message, p);
  }
};

// A count that does not fit the wire's 32 bits is refused before anything of
// the container is written.
inline void check_writable(std::size_t count)
{
  if (count > kMaxWireCount) {
    throw eprosima::fastcdr::exception::BadParamException(
            "container too long for CDR: more than 4294967295 elements");
  }
}

inline void check_writable_text(const std::string & text)
{
  if (text.size() >= kMaxWireCount) {
    throw eprosima::fastcdr::exception::BadParamException(
            "string too long for CDR: 4294967295 characters or more");
  }
}

inline void write_text(Cdr & cdr, const std::string & text)
{
  write_zero_padded(cdr, string_wire_bytes(text.size()), [&] {cdr.serialize(text.c_str());});
}

// A nested header through std_msgs' type support, its padding written as zeros.
inline void write_header(Cdr & cdr, const std_msgs::msg::Header & header)
{
  write_zero_padded(cdr, header_wire_bytes(header.frame_id.size()), [&] {header_cdr::cdr_serialize(header, cdr);});
}

template<class Message>
bool class_serialize(const Message & message, Cdr & cdr)
{
  FieldList<Message>::visit(
    message, [&cdr](const auto & member, auto field) {
      constexpr FieldKind kind = decltype(field)::kind;
      if constexpr (is_integer(kind)) {
        write_integer(cdr, member);
      } else if constexpr (kind == FieldKind::STRING) {
        check_writable_text(member);
        write_text(cdr, member);
      } else if constexpr (kind == FieldKind::HEADER) {
        write_header(cdr, member);
      } else if constexpr (kind == FieldKind::TIME) {
        write_integer(cdr, member.sec);
        write_integer(cdr, member.nanosec);
      } else if constexpr (kind == FieldKind::UINT8_SEQUENCE) {
        check_writable(member.size());
        // Fast-CDR's own sequence write: count, then the bytes.
        write_zero_padded(cdr, 4 + member.size(), [&] {cdr.serialize(member);});
      } else if constexpr (kind == FieldKind::STRING_SEQUENCE) {
        check_writable(member.size());
        for (const auto & text : member) {
          check_writable_text(text);
        }
        // On failure the stream is put back before the count.
        Cdr::state before(cdr);
        try {
          write_integer(cdr, static_cast<std::uint32_t>(member.size()));
          for (const auto & text : member) {
            write_text(cdr, text);
          }
        } catch (...) {
          cdr.setState(before);
          throw;
        }
      } else {
        check_writable(member.size());
        write_integer(cdr, static_cast<std::uint32_t>(member.size()));
        for (const auto & element : member) {
          if constexpr (kind == FieldKind::HEADER_SEQUENCE) {
            write_header(cdr, element);
          } else {
            own_cdr::cdr_serialize(element, cdr);
          }
        }
      }
      return true;
    });
  return true;
}

template<class Message>
bool class_deserialize(Cdr & cdr, Message & message)
{
  FieldList<Message>::visit(
    message, [&cdr](auto & member, auto field) {
      constexpr FieldKind kind = decltype(field)::kind;
      if constexpr (is_integer(kind)) {
        read_integer(cdr, member);
      } else if constexpr (kind == FieldKind::HEADER) {
        header_cdr::cdr_deserialize(cdr, member);
      } else if constexpr (kind == FieldKind::TIME) {
        read_integer(cdr, member.sec);
        read_integer(cdr, member.nanosec);
      } else if constexpr (
        kind == FieldKind::STRING || kind == FieldKind::UINT8_SEQUENCE ||
        kind == FieldKind::STRING_SEQUENCE)
      {
        // Fast-CDR's own reads: a string keeps inner zero bytes; a sequence
        // count beyond the input is refused with the stream put back.
        cdr.deserialize(member);
      } else {
        using Element = typename std::decay_t<decltype(member)>::value_type;
        Cdr::state before_count(cdr);
        std::uint32_t count = 0;
        cdr.deserialize(count);
        std::size_t min_size = kHeaderMinWireSize;
        if constexpr (kind == FieldKind::MESSAGE_SEQUENCE) {
          min_size = min_wire_size<Element>();
        }
        if (!count_fits(cdr, count, min_size)) {
          cdr.setState(before_count);
          throw_short_input();
        }
        member.resize(count);
        for (auto & element : member) {
          if constexpr (kind == FieldKind::HEADER_SEQUENCE) {
            header_cdr::cdr_deserialize(cdr, element);
          } else {
            own_cdr::cdr_deserialize(cdr, element);
          }
        }
      }
      return true;
    });
  return true;
}

}  // namespace orvane_h26x_msgs::msg::detail

#define ORVANE_H26X_MSGS__CLASS_CDR_HANDLE(Msg) orvane_h26x_msgs__msg__ ## Msg ## __fastrtps_cpp_handle

// Exported functions, callbacks record and handle of one message class.
#define ORVANE_H26X_MSGS__DEFINE_CLASS_CDR_TYPESUPPORT(Msg) \
  namespace ns_ = ::orvane_h26x_msgs::msg::detail; \
  using Class_ = ::orvane_h26x_msgs::msg::Msg; \
  namespace orvane_h26x_msgs::msg::typesupport_fastrtps_cpp \
  { \
  bool cdr_serialize(const Class_ & message, eprosima::fastcdr::Cdr & cdr) \
  { \
    return ns_::class_serialize(message, cdr); \
  } \
  bool cdr_deserialize(eprosima::fastcdr::Cdr & cdr, Class_ & message) \
  { \
    return ns_::class_deserialize(cdr, message); \
  } \
  size_t get_serialized_size(const Class_ & message, size_t start) \
  { \
    return ns_::serialized_size<ns_::ClassNested>(message, start); \
  } \
  size_t max_serialized_size_ ## Msg(bool & full_bounded, bool & is_plain, size_t start) \
  { \
    return ns_::max_serialized_size<ns_::ClassNested, Class_>(full_bounded, is_plain, start); \
  } \
  } \
  namespace \
  { \
  namespace own_ = ::orvane_h26x_msgs::msg::typesupport_fastrtps_cpp; \
  bool serialize_entry(const void * message, eprosima::fastcdr::Cdr & cdr) \
  { \
    return own_::cdr_serialize(*static_cast<const Class_ *>(message), cdr); \
  } \
  bool deserialize_entry(eprosima::fastcdr::Cdr & cdr, void * message) \
  { \
    return own_::cdr_deserialize(cdr, *static_cast<Class_ *>(message)); \
  } \
  uint32_t size_entry(const void * message) \
  { \
    return ns_::saturated_size(own_::get_serialized_size(*static_cast<const Class_ *>(message), 0)); \
  } \
  size_t max_size_entry(char & bounds) \
  { \
    bool full_bounded = false, is_plain = false; \
    const size_t size = own_::max_serialized_size_ ## Msg(full_bounded, is_plain, 0); \
    bounds = ns_::bounds_code(full_bounded, is_plain); \
    return size; \
  } \
  const message_type_support_callbacks_t callbacks_ = { \
    "orvane_h26x_msgs::msg", #Msg, serialize_entry, deserialize_entry, size_entry, max_size_entry}; \
  } \
  rosidl_message_type_support_t ORVANE_H26X_MSGS__CLASS_CDR_HANDLE(Msg) = { \
    nullptr, &callbacks_, get_message_typesupport_handle_function}; \
  namespace rosidl_typesupport_fastrtps_cpp \
  { \
  template<> \
  ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_orvane_h26x_msgs \
  const rosidl_message_type_support_t * get_message_type_support_handle<Class_>() \
  { \
    return &ORVANE_H26X_MSGS__CLASS_CDR_HANDLE(Msg); \
  } \
  } \
  extern "C" const rosidl_message_type_support_t * \
  rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg() \
  { \
    return &ORVANE_H26X_MSGS__CLASS_CDR_HANDLE(Msg); \
  }

#endif  // ORVANE_H26X_MSGS__COMMON__CLASS_CDR_HPP_
