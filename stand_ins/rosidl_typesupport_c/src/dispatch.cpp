#include "rosidl_typesupport_c/identifier.h"
#include "rosidl_typesupport_c/message_type_support_dispatch.h"
#include "type_support_dispatch.hpp"

const char * rosidl_typesupport_c__typesupport_identifier = "rosidl_typesupport_c";

const rosidl_message_type_support_t * rosidl_typesupport_c__get_message_typesupport_handle_function(
  const rosidl_message_type_support_t * handle, const char * identifier)
{
  return stand_in::dispatch(handle, identifier, rosidl_typesupport_c__typesupport_identifier);
}
