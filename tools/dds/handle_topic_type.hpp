#ifndef ORVANE_H26X_MSGS_TOOLS__HANDLE_TOPIC_TYPE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__HANDLE_TOPIC_TYPE_HPP_

// Fast DDS glue for this package's messages, the way the ROS 2 middleware
// does it: a TopicDataType built from a Fast-CDR type-support handle (plain or
// class).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "fastdds/dds/topic/TopicDataType.hpp"
#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace orvane_dds
{

// How to make and release one message of the handle's representation.
struct MessageFactory
{
  std::function<void *()> create;
  std::function<void(void *)> destroy;
};

// The Fast-CDR type support behind `type_supports` (a dispatch handle or a
// concrete one), found as rmw_fastrtps_cpp finds it: the plain records' type
// support first, then the classes'. Throws when there is neither.
const rosidl_message_type_support_t * fastrtps_handle(const rosidl_message_type_support_t * type_supports);

// The DDS type name every ROS 2 node on Fast DDS uses for a message:
// "<namespace>::dds_::<Type>_", e.g. "orvane_h26x_msgs::msg::dds_::Compressed_".
std::string dds_type_name(const message_type_support_callbacks_t & callbacks);

// Registered as dds_type_name(); samples are a CDR
// encapsulation followed by the message's bytes.
class HandleTopicType : public eprosima::fastdds::dds::TopicDataType
{
public:
  // `type_supports`: a dispatch handle or a Fast-CDR one (see fastrtps_handle).
  HandleTopicType(const rosidl_message_type_support_t * type_supports, MessageFactory factory);

  bool serialize(void * data, eprosima::fastrtps::rtps::SerializedPayload_t * payload) override;
  bool deserialize(eprosima::fastrtps::rtps::SerializedPayload_t * payload, void * data) override;
  std::function<uint32_t()> getSerializedSizeProvider(void * data) override;
  void * createData() override;
  void deleteData(void * data) override;
  bool getKey(void *, eprosima::fastrtps::rtps::InstanceHandle_t *, bool) override {return false;}

  // Samples received that did not deserialize (Fast DDS drops them).
  uint64_t malformed() const {return malformed_.load();}

private:
  const message_type_support_callbacks_t * callbacks_;
  MessageFactory factory_;
  std::atomic<uint64_t> malformed_{0};
};

// While one lives on a thread, samples taken on that thread are dropped
// unread (by this file's and the pass-through topic types): a reader can
// discard a sample it does not want (its SampleInfo seen first) without
// paying for reading a frame.
class DiscardSamples
{
public:
  DiscardSamples() {active_ = true;}
  ~DiscardSamples() {active_ = false;}
  DiscardSamples(const DiscardSamples &) = delete;
  DiscardSamples & operator=(const DiscardSamples &) = delete;
  static bool active() {return active_;}

private:
  static thread_local bool active_;
};

}  // namespace orvane_dds

#endif  // ORVANE_H26X_MSGS_TOOLS__HANDLE_TOPIC_TYPE_HPP_
