#ifndef ORVANE_H26X_MSGS__COMMON__DISPATCH_CPP_HPP_
#define ORVANE_H26X_MSGS__COMMON__DISPATCH_CPP_HPP_

// The C++ dispatch handles: the map and C getter of dispatch.hpp, plus the
// getter template's specialisation that rclcpp calls.

#include "dispatch.hpp"
#include "rosidl_typesupport_cpp/identifier.hpp"
#include "rosidl_typesupport_cpp/message_type_support.hpp"
#include "rosidl_typesupport_cpp/message_type_support_dispatch.hpp"
#include "orvane_h26x_msgs/msg/compressed.hpp"
#include "orvane_h26x_msgs/msg/dual_compressed_image.hpp"
#include "orvane_h26x_msgs/msg/image.hpp"
#include "orvane_h26x_msgs/msg/multi_compressed.hpp"
#include "orvane_h26x_msgs/msg/multi_image.hpp"
#include "orvane_h26x_msgs/msg/original_image.hpp"

#define ORVANE_H26X_MSGS__DEFINE_CPP_DISPATCH(Msg) \
  ORVANE_H26X_MSGS__DEFINE_DISPATCH(cpp, Msg) \
  namespace rosidl_typesupport_cpp \
  { \
  template<> \
  ROSIDL_TYPESUPPORT_CPP_PUBLIC_orvane_h26x_msgs \
  const rosidl_message_type_support_t * get_message_type_support_handle<::orvane_h26x_msgs::msg::Msg>() \
  { \
    return &ORVANE_H26X_MSGS__DISPATCH_HANDLE(cpp, Msg); \
  } \
  }

#endif  // ORVANE_H26X_MSGS__COMMON__DISPATCH_CPP_HPP_
