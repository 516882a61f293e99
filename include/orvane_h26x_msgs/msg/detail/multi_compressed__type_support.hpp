#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__TYPE_SUPPORT_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__TYPE_SUPPORT_HPP_

#include "orvane_h26x_msgs/msg/detail/handle_getter_declarations.h"

// The C++ dispatch handle, also reached through rosidl_typesupport_cpp::get_message_type_support_handle<MultiCompressed>().
ORVANE_H26X_MSGS__DECLARE_HANDLE_GETTER(cpp, CPP, MultiCompressed)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__TYPE_SUPPORT_HPP_
