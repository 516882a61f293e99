#ifndef ORVANE_H26X_MSGS__MSG__MULTI_IMAGE_HPP_
#define ORVANE_H26X_MSGS__MSG__MULTI_IMAGE_HPP_

#include "orvane_h26x_msgs/msg/detail/multi_image__struct.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_image__builder.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_image__traits.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_image__type_support.hpp"

#endif  // ORVANE_H26X_MSGS__MSG__MULTI_IMAGE_HPP_
