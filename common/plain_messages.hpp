#ifndef ORVANE_H26X_MSGS__COMMON__PLAIN_MESSAGES_HPP_
#define ORVANE_H26X_MSGS__COMMON__PLAIN_MESSAGES_HPP_

// The six plain records with their field lists and exported functions, as the
// generic C++ code of the plain libraries sees them.

#include <type_traits>

#include "orvane_h26x_msgs/msg/compressed.h"
#include "orvane_h26x_msgs/msg/detail/field_list.hpp"
#include "orvane_h26x_msgs/msg/dual_compressed_image.h"
#include "orvane_h26x_msgs/msg/image.h"
#include "orvane_h26x_msgs/msg/multi_compressed.h"
#include "orvane_h26x_msgs/msg/multi_image.h"
#include "orvane_h26x_msgs/msg/original_image.h"

namespace orvane_h26x_msgs::msg::detail
{

// The exported functions of a record and of its sequence.
template<class Message>
struct PlainFunctions;

#define ORVANE_H26X_MSGS__DESCRIBE_PLAIN(Msg) \
  template<> \
  struct FieldList<orvane_h26x_msgs__msg__ ## Msg> \
  { \
    ORVANE_H26X_MSGS__FIELD_LIST_BODY(Msg) \
  }; \
  template<> \
  struct PlainFunctions<orvane_h26x_msgs__msg__ ## Msg> \
  { \
    using Sequence = orvane_h26x_msgs__msg__ ## Msg ## __Sequence; \
    static constexpr auto init = &orvane_h26x_msgs__msg__ ## Msg ## __init; \
    static constexpr auto fini = &orvane_h26x_msgs__msg__ ## Msg ## __fini; \
    static constexpr auto are_equal = &orvane_h26x_msgs__msg__ ## Msg ## __are_equal; \
    static constexpr auto copy = &orvane_h26x_msgs__msg__ ## Msg ## __copy; \
    static constexpr auto create = &orvane_h26x_msgs__msg__ ## Msg ## __create; \
    static constexpr auto destroy = &orvane_h26x_msgs__msg__ ## Msg ## __destroy; \
    static constexpr auto sequence_init = &orvane_h26x_msgs__msg__ ## Msg ## __Sequence__init; \
    static constexpr auto sequence_fini = &orvane_h26x_msgs__msg__ ## Msg ## __Sequence__fini; \
    static constexpr auto sequence_are_equal = &orvane_h26x_msgs__msg__ ## Msg ## __Sequence__are_equal; \
    static constexpr auto sequence_copy = &orvane_h26x_msgs__msg__ ## Msg ## __Sequence__copy; \
  };
ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_H26X_MSGS__DESCRIBE_PLAIN)
#undef ORVANE_H26X_MSGS__DESCRIBE_PLAIN

// Element record of a plain sequence record.
template<class Sequence>
using ElementOf = std::remove_pointer_t<decltype(Sequence::data)>;

}  // namespace orvane_h26x_msgs::msg::detail

#endif  // ORVANE_H26X_MSGS__COMMON__PLAIN_MESSAGES_HPP_
