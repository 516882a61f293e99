#ifndef ORVANE_H26X_MSGS__MSG__ORIGINAL_IMAGE_HPP_
#define ORVANE_H26X_MSGS__MSG__ORIGINAL_IMAGE_HPP_

#include "orvane_h26x_msgs/msg/detail/original_image__struct.hpp"
#include "orvane_h26x_msgs/msg/detail/original_image__builder.hpp"
#include "orvane_h26x_msgs/msg/detail/original_image__traits.hpp"
#include "orvane_h26x_msgs/msg/detail/original_image__type_support.hpp"

#endif  // ORVANE_H26X_MSGS__MSG__ORIGINAL_IMAGE_HPP_
