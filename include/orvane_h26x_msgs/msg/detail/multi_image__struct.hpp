#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_IMAGE__STRUCT_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_IMAGE__STRUCT_HPP_

#include "orvane_h26x_msgs/msg/detail/message_class.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_image__fields.h"

// orvane_h26x_msgs::msg::MultiImage_<Allocator>: the members listed in multi_image__fields.h.
ORVANE_H26X_MSGS__DEFINE_MESSAGE_CLASS(MultiImage)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_IMAGE__STRUCT_HPP_
