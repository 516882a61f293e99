#ifndef ORVANE_H26X_MSGS__MSG__COMPRESSED_HPP_
#define ORVANE_H26X_MSGS__MSG__COMPRESSED_HPP_

#include "orvane_h26x_msgs/msg/detail/compressed__struct.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__builder.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__traits.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__type_support.hpp"

#endif  // ORVANE_H26X_MSGS__MSG__COMPRESSED_HPP_
