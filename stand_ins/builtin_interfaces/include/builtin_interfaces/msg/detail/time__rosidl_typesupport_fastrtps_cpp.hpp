#ifndef BUILTIN_INTERFACES__MSG__DETAIL__TIME__ROSIDL_TYPESUPPORT_FASTRTPS_CPP_HPP_
#define BUILTIN_INTERFACES__MSG__DETAIL__TIME__ROSIDL_TYPESUPPORT_FASTRTPS_CPP_HPP_

#include <cstddef>

#include "builtin_interfaces/msg/detail/time__struct.hpp"
#include "fastcdr/Cdr.h"
#include "rosidl_runtime_c/message_type_support_struct.h"

namespace builtin_interfaces::msg::typesupport_fastrtps_cpp
{
bool cdr_serialize(const builtin_interfaces::msg::Time & ros_message, eprosima::fastcdr::Cdr & cdr);
bool cdr_deserialize(eprosima::fastcdr::Cdr & cdr, builtin_interfaces::msg::Time & ros_message);
size_t get_serialized_size(const builtin_interfaces::msg::Time & ros_message, size_t current_alignment);
size_t max_serialized_size_Time(bool & full_bounded, bool & is_plain, size_t current_alignment);
}  // namespace builtin_interfaces::msg::typesupport_fastrtps_cpp

extern "C" const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__builtin_interfaces__msg__Time();

#endif  // BUILTIN_INTERFACES__MSG__DETAIL__TIME__ROSIDL_TYPESUPPORT_FASTRTPS_CPP_HPP_
