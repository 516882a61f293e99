#include "pass_through_type.hpp"

#include <cstring>

#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "fastcdr/exceptions/Exception.h"

namespace orvane_dds
{
using eprosima::fastrtps::rtps::SerializedPayload_t;

PassThroughTopicType::PassThroughTopicType(const std::string & type_name)
{
  init(type_name, 64);  // payloads grow to each sample
}

PassThroughTopicType::PassThroughTopicType(
  const rosidl_message_type_support_t * type_supports, MessageFactory factory, bool keep_bytes)
: callbacks_(static_cast<const message_type_support_callbacks_t *>(fastrtps_handle(type_supports)->data)),
  factory_(std::move(factory)), keep_bytes_(keep_bytes)
{
  char bounds = 0;
  init(dds_type_name(*callbacks_), static_cast<uint32_t>(callbacks_->max_serialized_size(bounds)) + 4);
}

void PassThroughTopicType::init(const std::string & type_name, uint32_t largest)
{
  setName(type_name.c_str());
  m_typeSize = largest;
  m_isGetKeyDefined = false;
  auto_fill_type_object(false);
  auto_fill_type_information(false);
}

bool PassThroughTopicType::serialize(void * data, SerializedPayload_t * payload)
{
  const auto & bytes = static_cast<SerializedSample *>(data)->bytes;
  if (!bytes || bytes->size() < 4 || bytes->size() > payload->max_size) {
    return false;
  }
  std::memcpy(payload->data, bytes->data(), bytes->size());
  payload->length = static_cast<uint32_t>(bytes->size());
  // The encapsulation's second byte: 0 big-endian CDR, 1 little-endian.
  payload->encapsulation = (*bytes)[1] == 0 ? CDR_BE : CDR_LE;
  return true;
}

bool PassThroughTopicType::deserialize(SerializedPayload_t * payload, void * data)
{
  if (DiscardSamples::active()) {
    return true;
  }
  auto * sample = static_cast<SerializedSample *>(data);
  if (keep_bytes_) {
    sample->bytes = std::make_shared<std::vector<uint8_t>>(payload->data, payload->data + payload->length);
  }
  if (!callbacks_ || decode_cdr(*callbacks_, payload->data, payload->length, sample->message)) {
    return true;
  }
  ++malformed_;
  return false;
}

bool decode_cdr(
  const message_type_support_callbacks_t & callbacks, const uint8_t * data, std::size_t size, void * message)
{
  try {
    eprosima::fastcdr::FastBuffer buffer(reinterpret_cast<char *>(const_cast<uint8_t *>(data)), size);
    eprosima::fastcdr::Cdr cdr(buffer, eprosima::fastcdr::Cdr::DEFAULT_ENDIAN, eprosima::fastcdr::Cdr::DDS_CDR);
    cdr.read_encapsulation();
    return callbacks.cdr_deserialize(cdr, message);
  } catch (const eprosima::fastcdr::exception::Exception &) {
    return false;
  }
}

std::vector<uint8_t> encode_cdr(const message_type_support_callbacks_t & callbacks, const void * message)
{
  std::vector<uint8_t> bytes(4 + callbacks.get_serialized_size(message) + 8);
  eprosima::fastcdr::FastBuffer buffer(reinterpret_cast<char *>(bytes.data()), bytes.size());
  eprosima::fastcdr::Cdr cdr(buffer, eprosima::fastcdr::Cdr::LITTLE_ENDIANNESS, eprosima::fastcdr::Cdr::DDS_CDR);
  cdr.serialize_encapsulation();
  callbacks.cdr_serialize(message, cdr);
  bytes.resize(cdr.getSerializedDataLength());
  return bytes;
}

std::function<uint32_t()> PassThroughTopicType::getSerializedSizeProvider(void * data)
{
  return [data] {
           const auto & bytes = static_cast<SerializedSample *>(data)->bytes;
           return bytes ? static_cast<uint32_t>(bytes->size()) : 0u;
         };
}

void * PassThroughTopicType::createData()
{
  auto * sample = new SerializedSample();
  if (factory_.create) {
    sample->message = factory_.create();
  }
  return sample;
}

void PassThroughTopicType::deleteData(void * data)
{
  auto * sample = static_cast<SerializedSample *>(data);
  if (sample->message) {
    factory_.destroy(sample->message);
  }
  delete sample;
}

}  // namespace orvane_dds
