#ifndef ORVANE_H26X_MSGS__MSG__IMAGE_HPP_
#define ORVANE_H26X_MSGS__MSG__IMAGE_HPP_

#include "orvane_h26x_msgs/msg/detail/image__struct.hpp"
#include "orvane_h26x_msgs/msg/detail/image__builder.hpp"
#include "orvane_h26x_msgs/msg/detail/image__traits.hpp"
#include "orvane_h26x_msgs/msg/detail/image__type_support.hpp"

#endif  // ORVANE_H26X_MSGS__MSG__IMAGE_HPP_
