#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__COMPRESSED__STRUCT_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__COMPRESSED__STRUCT_HPP_

#include "orvane_h26x_msgs/msg/detail/message_class.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__fields.h"
#include "orvane_h26x_msgs/msg/detail/image__struct.hpp"

// orvane_h26x_msgs::msg::Compressed_<Allocator>: the members listed in compressed__fields.h.
ORVANE_H26X_MSGS__DEFINE_MESSAGE_CLASS(Compressed)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__COMPRESSED__STRUCT_HPP_
