#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__TYPE_SUPPORT_H_
#define ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__TYPE_SUPPORT_H_

#include "orvane_h26x_msgs/msg/detail/handle_getter_declarations.h"

// The dispatch handle that C clients and the middleware start from (ROSIDL_GET_MSG_TYPE_SUPPORT).
ORVANE_H26X_MSGS__DECLARE_HANDLE_GETTER(c, C, MultiCompressed)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__TYPE_SUPPORT_H_
