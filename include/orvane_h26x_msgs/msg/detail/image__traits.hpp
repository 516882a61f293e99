#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__IMAGE__TRAITS_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__IMAGE__TRAITS_HPP_

#include "orvane_h26x_msgs/msg/detail/message_traits.hpp"
#include "orvane_h26x_msgs/msg/detail/image__struct.hpp"

ORVANE_H26X_MSGS__DEFINE_MESSAGE_TRAITS(Image)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__IMAGE__TRAITS_HPP_
