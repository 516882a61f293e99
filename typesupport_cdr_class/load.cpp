// The library's one load-time step: every handle gets the type support's
// identifier pointer, which lives in librosidl_typesupport_fastrtps_cpp.
#include "class_cdr.hpp"

#define ORVANE_H26X_MSGS__DECLARE_HANDLE(Msg) \
  extern rosidl_message_type_support_t ORVANE_H26X_MSGS__CLASS_CDR_HANDLE(Msg);
ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_H26X_MSGS__DECLARE_HANDLE)

namespace
{
struct BindIdentifiers
{
  BindIdentifiers()
  {
#define ORVANE_H26X_MSGS__BIND_IDENTIFIER(Msg) \
  ORVANE_H26X_MSGS__CLASS_CDR_HANDLE(Msg).typesupport_identifier = \
    ::rosidl_typesupport_fastrtps_cpp::typesupport_identifier;
    ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_H26X_MSGS__BIND_IDENTIFIER)
  }
} bind_identifiers;
}  // namespace
