#ifndef BUILTIN_INTERFACES__MSG__DETAIL__TIME__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_
#define BUILTIN_INTERFACES__MSG__DETAIL__TIME__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_

#include <stddef.h>

#include "rosidl_runtime_c/message_type_support_struct.h"

#ifdef __cplusplus
extern "C"
{
#endif

size_t get_serialized_size_builtin_interfaces__msg__Time(
  const void * untyped_ros_message, size_t current_alignment);
size_t max_serialized_size_builtin_interfaces__msg__Time(
  bool & full_bounded, bool & is_plain, size_t current_alignment);
const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_c__get_message_type_support_handle__builtin_interfaces__msg__Time();

#ifdef __cplusplus
}
#endif

#endif  // BUILTIN_INTERFACES__MSG__DETAIL__TIME__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_
