// The library's one load-time step: nested handles go into the member
// records, and each handle gets the introspection runtime's identifier.
#include "introspection.hpp"

#define ORVANE_H26X_MSGS__DECLARE_TABLES(Msg) \
  extern ::rosidl_typesupport_introspection_cpp::MessageMember ORVANE_H26X_MSGS__INTROSPECTION_MEMBERS(Msg)[]; \
  extern rosidl_message_type_support_t ORVANE_H26X_MSGS__INTROSPECTION_HANDLE(Msg);
ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_H26X_MSGS__DECLARE_TABLES)

#define ORVANE_H26X_MSGS__BIND_NESTED(name, kind, element) \
  ORVANE_H26X_MSGS__BIND_NESTED_ ## kind(members[index], element) ++index;
#define ORVANE_H26X_MSGS__BIND_NESTED_HEADER(member, element) \
  member.members_ = ::orvane_h26x_msgs::msg::detail::header_handle();
#define ORVANE_H26X_MSGS__BIND_NESTED_HEADER_SEQUENCE ORVANE_H26X_MSGS__BIND_NESTED_HEADER
#define ORVANE_H26X_MSGS__BIND_NESTED_MESSAGE_SEQUENCE(member, element) \
  member.members_ = \
    ::rosidl_typesupport_introspection_cpp::get_message_type_support_handle<::orvane_h26x_msgs::msg::element>();
#define ORVANE_H26X_MSGS__BIND_NESTED_UINT8(member, element)
#define ORVANE_H26X_MSGS__BIND_NESTED_UINT32(member, element)
#define ORVANE_H26X_MSGS__BIND_NESTED_UINT64(member, element)
#define ORVANE_H26X_MSGS__BIND_NESTED_STRING(member, element)
#define ORVANE_H26X_MSGS__BIND_NESTED_UINT8_SEQUENCE(member, element)
#define ORVANE_H26X_MSGS__BIND_NESTED_STRING_SEQUENCE(member, element)

#define ORVANE_H26X_MSGS__BIND_NESTED_HANDLES(Msg) \
  { \
    auto * members = ORVANE_H26X_MSGS__INTROSPECTION_MEMBERS(Msg); \
    std::size_t index = 0; \
    orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__BIND_NESTED) \
    (void)members; \
  }
#define ORVANE_H26X_MSGS__BIND_IDENTIFIER(Msg) \
  ORVANE_H26X_MSGS__INTROSPECTION_HANDLE(Msg).typesupport_identifier = \
    ::rosidl_typesupport_introspection_cpp::typesupport_identifier;

namespace
{
struct BindTables
{
  BindTables()
  {
    ORVANE_H26X_MSGS__BIND_NESTED_HANDLES(MultiCompressed)
    ORVANE_H26X_MSGS__BIND_IDENTIFIER(OriginalImage)
    ORVANE_H26X_MSGS__BIND_IDENTIFIER(MultiCompressed)
    ORVANE_H26X_MSGS__BIND_NESTED_HANDLES(MultiImage)
    ORVANE_H26X_MSGS__BIND_IDENTIFIER(MultiImage)
    ORVANE_H26X_MSGS__BIND_NESTED_HANDLES(Compressed)
    ORVANE_H26X_MSGS__BIND_IDENTIFIER(Compressed)
    ORVANE_H26X_MSGS__BIND_NESTED_HANDLES(Image)
    ORVANE_H26X_MSGS__BIND_IDENTIFIER(Image)
    ORVANE_H26X_MSGS__BIND_NESTED_HANDLES(DualCompressedImage)
    ORVANE_H26X_MSGS__BIND_IDENTIFIER(DualCompressedImage)
  }
} bind_tables;
}  // namespace
