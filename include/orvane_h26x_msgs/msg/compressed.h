#ifndef ORVANE_H26X_MSGS__MSG__COMPRESSED_H_
#define ORVANE_H26X_MSGS__MSG__COMPRESSED_H_

#include "orvane_h26x_msgs/msg/detail/compressed__struct.h"
#include "orvane_h26x_msgs/msg/detail/compressed__functions.h"
#include "orvane_h26x_msgs/msg/detail/compressed__type_support.h"

#endif  // ORVANE_H26X_MSGS__MSG__COMPRESSED_H_
