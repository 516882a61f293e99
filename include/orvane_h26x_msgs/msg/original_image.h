#ifndef ORVANE_H26X_MSGS__MSG__ORIGINAL_IMAGE_H_
#define ORVANE_H26X_MSGS__MSG__ORIGINAL_IMAGE_H_

#include "orvane_h26x_msgs/msg/detail/original_image__struct.h"
#include "orvane_h26x_msgs/msg/detail/original_image__functions.h"
#include "orvane_h26x_msgs/msg/detail/original_image__type_support.h"

#endif  // ORVANE_H26X_MSGS__MSG__ORIGINAL_IMAGE_H_
