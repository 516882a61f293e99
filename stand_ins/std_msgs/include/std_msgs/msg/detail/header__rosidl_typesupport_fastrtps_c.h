#ifndef STD_MSGS__MSG__DETAIL__HEADER__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_
#define STD_MSGS__MSG__DETAIL__HEADER__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_

#include <stddef.h>

#include "rosidl_runtime_c/message_type_support_struct.h"

#ifdef __cplusplus
extern "C"
{
#endif

size_t get_serialized_size_std_msgs__msg__Header(
  const void * untyped_ros_message, size_t current_alignment);
size_t max_serialized_size_std_msgs__msg__Header(
  bool & full_bounded, bool & is_plain, size_t current_alignment);
const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_c__get_message_type_support_handle__std_msgs__msg__Header();

#ifdef __cplusplus
}
#endif

#endif  // STD_MSGS__MSG__DETAIL__HEADER__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_
