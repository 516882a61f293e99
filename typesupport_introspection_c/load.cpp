// The library's one load-time step: nested handles go into the member
// records, and each handle gets the C introspection runtime's identifier.
#include "introspection_c.hpp"

#define ORVANE_H26X_MSGS__DECLARE_TABLES(Msg) \
  extern rosidl_typesupport_introspection_c__MessageMember ORVANE_H26X_MSGS__INTROSPECTION_C_MEMBERS(Msg)[]; \
  extern rosidl_message_type_support_t ORVANE_H26X_MSGS__INTROSPECTION_C_HANDLE(Msg);
ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_H26X_MSGS__DECLARE_TABLES)

#define ORVANE_H26X_MSGS__NESTED_HANDLE_HEADER(element) \
  rosidl_typesupport_introspection_c__get_message_type_support_handle__std_msgs__msg__Header()
#define ORVANE_H26X_MSGS__NESTED_HANDLE_HEADER_SEQUENCE ORVANE_H26X_MSGS__NESTED_HANDLE_HEADER
#define ORVANE_H26X_MSGS__NESTED_HANDLE_MESSAGE_SEQUENCE(element) \
  rosidl_typesupport_introspection_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## element()
#define ORVANE_H26X_MSGS__NESTED_HANDLE_UINT8(element) nullptr
#define ORVANE_H26X_MSGS__NESTED_HANDLE_UINT32(element) nullptr
#define ORVANE_H26X_MSGS__NESTED_HANDLE_UINT64(element) nullptr
#define ORVANE_H26X_MSGS__NESTED_HANDLE_STRING(element) nullptr
#define ORVANE_H26X_MSGS__NESTED_HANDLE_UINT8_SEQUENCE(element) nullptr
#define ORVANE_H26X_MSGS__NESTED_HANDLE_STRING_SEQUENCE(element) nullptr

#define ORVANE_H26X_MSGS__BIND_NESTED(name, kind, element) \
  members[index++].members_ = ORVANE_H26X_MSGS__NESTED_HANDLE_ ## kind(element);
#define ORVANE_H26X_MSGS__BIND_TABLES(Msg) \
  { \
    auto * members = ORVANE_H26X_MSGS__INTROSPECTION_C_MEMBERS(Msg); \
    std::size_t index = 0; \
    orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__BIND_NESTED) \
    ORVANE_H26X_MSGS__INTROSPECTION_C_HANDLE(Msg).typesupport_identifier = \
      rosidl_typesupport_introspection_c__identifier; \
  }

namespace
{
struct BindTables
{
  BindTables() {ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_H26X_MSGS__BIND_TABLES)}
} bind_tables;
}  // namespace
