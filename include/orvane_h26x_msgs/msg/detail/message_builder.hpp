#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__MESSAGE_BUILDER_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__MESSAGE_BUILDER_HPP_

// Initialization builders, built from the field lists:
//   auto image = orvane_h26x_msgs::build<orvane_h26x_msgs::msg::Image>()
//     .header(h).count(1).height(2).width(3).encoding("rgb8").is_bigendian(0).step(9).data(bytes);
// One call per field in field order; each returns the next step and the last
// returns the message, so a field can be neither skipped nor set twice.

#include <cstddef>
#include <type_traits>
#include <utility>

#include "rosidl_runtime_cpp/message_initialization.hpp"

namespace orvane_h26x_msgs
{
template<typename MessageType>
auto build();

namespace msg::builder
{
template<class Message>
struct Steps;
}  // namespace msg::builder
}  // namespace orvane_h26x_msgs

#define ORVANE_H26X_MSGS__BUILDER_INDEX(name, kind, element) name ## _index,

// Step `name`: a partial specialisation, as member templates may not be
// explicitly specialised in class scope.
#define ORVANE_H26X_MSGS__BUILDER_STEP(name, kind, element) \
  template<class Unused> \
  class Init<name ## _index, Unused> \
  { \
public: \
    explicit Init(Message && msg) : msg_(std::move(msg)) {} \
    Next<name ## _index> name(typename Message::_ ## name ## _type arg) \
    { \
      msg_.name = std::move(arg); \
      return Next<name ## _index>(std::move(msg_)); \
    } \
private: \
    Message msg_; \
  };

#define ORVANE_H26X_MSGS__DEFINE_MESSAGE_BUILDER(Msg) \
  namespace orvane_h26x_msgs \
  { \
  namespace msg::builder \
  { \
  template<> \
  struct Steps<::orvane_h26x_msgs::msg::Msg> \
  { \
    using Message = ::orvane_h26x_msgs::msg::Msg; \
    enum : std::size_t \
    { \
      orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__BUILDER_INDEX) field_count \
    }; \
    template<std::size_t Index, class Unused = void> \
    class Init; \
    template<std::size_t Index> \
    using Next = std::conditional_t<Index + 1 == field_count, Message, Init<Index + 1>>; \
    orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__BUILDER_STEP) \
  }; \
  } \
  template<> \
  inline auto build<::orvane_h26x_msgs::msg::Msg>() \
  { \
    using Steps = msg::builder::Steps<::orvane_h26x_msgs::msg::Msg>; \
    return Steps::Init<0>(Steps::Message(::rosidl_runtime_cpp::MessageInitialization::SKIP)); \
  } \
  }

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__MESSAGE_BUILDER_HPP_
