#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__COMPRESSED__BUILDER_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__COMPRESSED__BUILDER_HPP_

#include "orvane_h26x_msgs/msg/detail/message_builder.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__struct.hpp"

// orvane_h26x_msgs::build<orvane_h26x_msgs::msg::Compressed>(): one step per field in compressed__fields.h.
ORVANE_H26X_MSGS__DEFINE_MESSAGE_BUILDER(Compressed)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__COMPRESSED__BUILDER_HPP_
