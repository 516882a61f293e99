#ifndef ORVANE_H26X_MSGS__MSG__DUAL_COMPRESSED_IMAGE_HPP_
#define ORVANE_H26X_MSGS__MSG__DUAL_COMPRESSED_IMAGE_HPP_

#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__struct.hpp"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__builder.hpp"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__traits.hpp"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__type_support.hpp"

#endif  // ORVANE_H26X_MSGS__MSG__DUAL_COMPRESSED_IMAGE_HPP_
