#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__IMAGE__STRUCT_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__IMAGE__STRUCT_HPP_

#include "orvane_h26x_msgs/msg/detail/message_class.hpp"
#include "orvane_h26x_msgs/msg/detail/image__fields.h"

// orvane_h26x_msgs::msg::Image_<Allocator>: the members listed in image__fields.h.
ORVANE_H26X_MSGS__DEFINE_MESSAGE_CLASS(Image)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__IMAGE__STRUCT_HPP_
