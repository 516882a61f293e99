#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__CLASS_CDR_DECLARATIONS_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__CLASS_CDR_DECLARATIONS_HPP_

// Exported functions of the Fast-CDR type support of a message class, for the
// middleware and for type supports of messages that nest this one.
// Failures are reported by Fast-CDR exceptions; the results are always true.

#include <cstddef>

#include "fastcdr/Cdr.h"
#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support_decl.hpp"
#include "orvane_h26x_msgs/msg/rosidl_typesupport_fastrtps_cpp__visibility_control.h"

#define ORVANE_H26X_MSGS__DECLARE_CLASS_CDR_FUNCTIONS(Msg) \
  namespace orvane_h26x_msgs::msg::typesupport_fastrtps_cpp \
  { \
  ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_orvane_h26x_msgs \
  bool cdr_serialize(const ::orvane_h26x_msgs::msg::Msg & ros_message, eprosima::fastcdr::Cdr & cdr); \
  ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_orvane_h26x_msgs \
  bool cdr_deserialize(eprosima::fastcdr::Cdr & cdr, ::orvane_h26x_msgs::msg::Msg & ros_message); \
  /* Bytes the message takes when it starts current_alignment bytes after the stream's origin. */ \
  ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_orvane_h26x_msgs \
  size_t get_serialized_size(const ::orvane_h26x_msgs::msg::Msg & ros_message, size_t current_alignment); \
  /* Size with every string and sequence empty; both flags come back false. */ \
  ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_orvane_h26x_msgs \
  size_t max_serialized_size_ ## Msg(bool & full_bounded, bool & is_plain, size_t current_alignment); \
  } \
  extern "C" ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_orvane_h26x_msgs \
  const rosidl_message_type_support_t * \
  rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg();

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__CLASS_CDR_DECLARATIONS_HPP_
