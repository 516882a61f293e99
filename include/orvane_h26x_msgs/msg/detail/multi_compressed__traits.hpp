#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__TRAITS_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__TRAITS_HPP_

#include "orvane_h26x_msgs/msg/detail/message_traits.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__struct.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_image__traits.hpp"
#include "orvane_h26x_msgs/msg/detail/original_image__traits.hpp"

ORVANE_H26X_MSGS__DEFINE_MESSAGE_TRAITS(MultiCompressed)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__TRAITS_HPP_
