#ifndef ORVANE_H26X_MSGS__MSG__MULTI_IMAGE_H_
#define ORVANE_H26X_MSGS__MSG__MULTI_IMAGE_H_

#include "orvane_h26x_msgs/msg/detail/multi_image__struct.h"
#include "orvane_h26x_msgs/msg/detail/multi_image__functions.h"
#include "orvane_h26x_msgs/msg/detail/multi_image__type_support.h"

#endif  // ORVANE_H26X_MSGS__MSG__MULTI_IMAGE_H_
