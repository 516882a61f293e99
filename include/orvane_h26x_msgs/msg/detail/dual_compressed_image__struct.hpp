#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__DUAL_COMPRESSED_IMAGE__STRUCT_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__DUAL_COMPRESSED_IMAGE__STRUCT_HPP_

#include "orvane_h26x_msgs/msg/detail/message_class.hpp"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__fields.h"

// orvane_h26x_msgs::msg::DualCompressedImage_<Allocator>: the members listed in dual_compressed_image__fields.h.
ORVANE_H26X_MSGS__DEFINE_MESSAGE_CLASS(DualCompressedImage)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__DUAL_COMPRESSED_IMAGE__STRUCT_HPP_
