#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__DUAL_COMPRESSED_IMAGE__BUILDER_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__DUAL_COMPRESSED_IMAGE__BUILDER_HPP_

#include "orvane_h26x_msgs/msg/detail/message_builder.hpp"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__struct.hpp"

// orvane_h26x_msgs::build<orvane_h26x_msgs::msg::DualCompressedImage>(): one step per field in dual_compressed_image__fields.h.
ORVANE_H26X_MSGS__DEFINE_MESSAGE_BUILDER(DualCompressedImage)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__DUAL_COMPRESSED_IMAGE__BUILDER_HPP_
