#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__STRUCT_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__STRUCT_HPP_

#include "orvane_h26x_msgs/msg/detail/message_class.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__fields.h"
#include "orvane_h26x_msgs/msg/detail/multi_image__struct.hpp"
#include "orvane_h26x_msgs/msg/detail/original_image__struct.hpp"

// orvane_h26x_msgs::msg::MultiCompressed_<Allocator>: the members listed in multi_compressed__fields.h.
ORVANE_H26X_MSGS__DEFINE_MESSAGE_CLASS(MultiCompressed)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__STRUCT_HPP_
