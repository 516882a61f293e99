#ifndef STD_MSGS__MSG__DETAIL__HEADER__ROSIDL_TYPESUPPORT_FASTRTPS_CPP_HPP_
#define STD_MSGS__MSG__DETAIL__HEADER__ROSIDL_TYPESUPPORT_FASTRTPS_CPP_HPP_

#include <cstddef>

#include "std_msgs/msg/detail/header__struct.hpp"
#include "fastcdr/Cdr.h"
#include "rosidl_runtime_c/message_type_support_struct.h"

namespace std_msgs::msg::typesupport_fastrtps_cpp
{
bool cdr_serialize(const std_msgs::msg::Header & ros_message, eprosima::fastcdr::Cdr & cdr);
bool cdr_deserialize(eprosima::fastcdr::Cdr & cdr, std_msgs::msg::Header & ros_message);
size_t get_serialized_size(const std_msgs::msg::Header & ros_message, size_t current_alignment);
size_t max_serialized_size_Header(bool & full_bounded, bool & is_plain, size_t current_alignment);
}  // namespace std_msgs::msg::typesupport_fastrtps_cpp

extern "C" const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__std_msgs__msg__Header();

#endif  // STD_MSGS__MSG__DETAIL__HEADER__ROSIDL_TYPESUPPORT_FASTRTPS_CPP_HPP_
