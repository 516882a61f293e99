#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__ORIGINAL_IMAGE__BUILDER_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__ORIGINAL_IMAGE__BUILDER_HPP_

#include "orvane_h26x_msgs/msg/detail/message_builder.hpp"
#include "orvane_h26x_msgs/msg/detail/original_image__struct.hpp"

// orvane_h26x_msgs::build<orvane_h26x_msgs::msg::OriginalImage>(): one step per field in original_image__fields.h.
ORVANE_H26X_MSGS__DEFINE_MESSAGE_BUILDER(OriginalImage)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__ORIGINAL_IMAGE__BUILDER_HPP_
