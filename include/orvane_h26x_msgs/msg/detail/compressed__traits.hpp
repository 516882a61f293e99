#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__COMPRESSED__TRAITS_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__COMPRESSED__TRAITS_HPP_

#include "orvane_h26x_msgs/msg/detail/message_traits.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__struct.hpp"
#include "orvane_h26x_msgs/msg/detail/image__traits.hpp"

ORVANE_H26X_MSGS__DEFINE_MESSAGE_TRAITS(Compressed)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__COMPRESSED__TRAITS_HPP_
