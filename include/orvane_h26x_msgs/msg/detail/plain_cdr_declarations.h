#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__PLAIN_CDR_DECLARATIONS_H_
#define ORVANE_H26X_MSGS__MSG__DETAIL__PLAIN_CDR_DECLARATIONS_H_

// Exported functions of the Fast-CDR type support of a plain record. C++ only
// (the maximum size reports through references), with C linkage.

#include <stddef.h>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "orvane_h26x_msgs/msg/rosidl_typesupport_fastrtps_c__visibility_control.h"

#define ORVANE_H26X_MSGS__DECLARE_PLAIN_CDR_FUNCTIONS(Msg) \
  extern "C" { \
  /* Bytes the record takes when it starts current_alignment bytes after the stream's origin. */ \
  ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_orvane_h26x_msgs \
  size_t get_serialized_size_orvane_h26x_msgs__msg__ ## Msg( \
    const void * untyped_ros_message, size_t current_alignment); \
  /* Size with every string and sequence empty; both flags come back false. */ \
  ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_orvane_h26x_msgs \
  size_t max_serialized_size_orvane_h26x_msgs__msg__ ## Msg( \
    bool & full_bounded, bool & is_plain, size_t current_alignment); \
  ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_orvane_h26x_msgs \
  const rosidl_message_type_support_t * \
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg(); \
  }

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__PLAIN_CDR_DECLARATIONS_H_
