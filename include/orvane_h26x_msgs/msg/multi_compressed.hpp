#ifndef ORVANE_H26X_MSGS__MSG__MULTI_COMPRESSED_HPP_
#define ORVANE_H26X_MSGS__MSG__MULTI_COMPRESSED_HPP_

#include "orvane_h26x_msgs/msg/detail/multi_compressed__struct.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__builder.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__traits.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__type_support.hpp"

#endif  // ORVANE_H26X_MSGS__MSG__MULTI_COMPRESSED_HPP_
