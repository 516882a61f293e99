#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__ORIGINAL_IMAGE__STRUCT_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__ORIGINAL_IMAGE__STRUCT_HPP_

#include "orvane_h26x_msgs/msg/detail/message_class.hpp"
#include "orvane_h26x_msgs/msg/detail/original_image__fields.h"

// orvane_h26x_msgs::msg::OriginalImage_<Allocator>: the members listed in original_image__fields.h.
ORVANE_H26X_MSGS__DEFINE_MESSAGE_CLASS(OriginalImage)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__ORIGINAL_IMAGE__STRUCT_HPP_
