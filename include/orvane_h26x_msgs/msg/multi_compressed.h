#ifndef ORVANE_H26X_MSGS__MSG__MULTI_COMPRESSED_H_
#define ORVANE_H26X_MSGS__MSG__MULTI_COMPRESSED_H_

#include "orvane_h26x_msgs/msg/detail/multi_compressed__struct.h"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__functions.h"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__type_support.h"

#endif  // ORVANE_H26X_MSGS__MSG__MULTI_COMPRESSED_H_
