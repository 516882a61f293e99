#ifndef ORVANE_H26X_MSGS_TOOLS__DDS__PASS_THROUGH_TYPE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__DDS__PASS_THROUGH_TYPE_HPP_

// Samples as the CDR bytes that travel (encapsulation included), under a
// message's DDS type name: what bag writers store and bag players send,
// without serializing again. A reader may also have each sample decoded into
// a message through the message's Fast-CDR type support, from the same
// bytes, so that one read gives both.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fastdds/dds/topic/TopicDataType.hpp"
#include "handle_topic_type.hpp"

namespace orvane_dds
{

struct SerializedSample
{
  std::shared_ptr<std::vector<uint8_t>> bytes;  // CDR, encapsulation first
  void * message = nullptr;  // the decoded message (reading with a factory only)
};

class PassThroughTopicType : public eprosima::fastdds::dds::TopicDataType
{
public:
  // Registered as `type_name` (e.g. "orvane_h26x_msgs::msg::dds_::Compressed_"):
  // writing sends the bytes of each sample as they are; reading keeps them.
  explicit PassThroughTopicType(const std::string & type_name);
  // Registered as the message's DDS name: reading decodes each sample into a
  // message made by `factory`, and keeps its bytes when `keep_bytes`.
  PassThroughTopicType(
    const rosidl_message_type_support_t * type_supports, MessageFactory factory, bool keep_bytes);

  bool serialize(void * data, eprosima::fastrtps::rtps::SerializedPayload_t * payload) override;
  bool deserialize(eprosima::fastrtps::rtps::SerializedPayload_t * payload, void * data) override;
  std::function<uint32_t()> getSerializedSizeProvider(void * data) override;
  void * createData() override;
  void deleteData(void * data) override;
  bool getKey(void *, eprosima::fastrtps::rtps::InstanceHandle_t *, bool) override {return false;}

  // Samples received that did not decode (Fast DDS drops them).
  uint64_t malformed() const {return malformed_.load();}

private:
  void init(const std::string & type_name, uint32_t largest);
  const message_type_support_callbacks_t * callbacks_ = nullptr;
  MessageFactory factory_;
  bool keep_bytes_ = true;
  std::atomic<uint64_t> malformed_{0};
};

// Decodes a sample's CDR bytes (encapsulation first) into `message` through
// a Fast-CDR type support; false when they do not decode.
bool decode_cdr(
  const message_type_support_callbacks_t & callbacks, const uint8_t * data, std::size_t size, void * message);

// A message's CDR bytes (encapsulation first, little-endian) through a
// Fast-CDR type support, as a writer would send them.
std::vector<uint8_t> encode_cdr(const message_type_support_callbacks_t & callbacks, const void * message);

}  // namespace orvane_dds

#endif  // ORVANE_H26X_MSGS_TOOLS__DDS__PASS_THROUGH_TYPE_HPP_
