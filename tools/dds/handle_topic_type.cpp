#include "handle_topic_type.hpp"

#include <stdexcept>

#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "fastcdr/exceptions/Exception.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"

namespace orvane_dds
{
using eprosima::fastcdr::Cdr;
using eprosima::fastcdr::FastBuffer;
using eprosima::fastrtps::rtps::SerializedPayload_t;

namespace
{
constexpr uint32_t kEncapsulationSize = 4;
}

const rosidl_message_type_support_t * fastrtps_handle(const rosidl_message_type_support_t * type_supports)
{
  const rosidl_message_type_support_t * found =
    get_message_typesupport_handle(type_supports, rosidl_typesupport_fastrtps_c__identifier);
  if (!found) {
    found = get_message_typesupport_handle(type_supports, rosidl_typesupport_fastrtps_cpp::typesupport_identifier);
  }
  if (!found) {
    throw std::runtime_error(
      std::string("no Fast-CDR type support behind the ") + type_supports->typesupport_identifier + " handle");
  }
  return found;
}

std::string dds_type_name(const message_type_support_callbacks_t & callbacks)
{
  return std::string(callbacks.message_namespace_) + "::dds_::" + callbacks.message_name_ + "_";
}

HandleTopicType::HandleTopicType(const rosidl_message_type_support_t * type_supports, MessageFactory factory)
: callbacks_(static_cast<const message_type_support_callbacks_t *>(fastrtps_handle(type_supports)->data)),
  factory_(std::move(factory))
{
  setName(dds_type_name(*callbacks_).c_str());
  char bounds = 0;
  m_typeSize = static_cast<uint32_t>(callbacks_->max_serialized_size(bounds)) + kEncapsulationSize;
  m_isGetKeyDefined = false;
  auto_fill_type_object(false);
  auto_fill_type_information(false);
}

bool HandleTopicType::serialize(void * data, SerializedPayload_t * payload)
{
  try {
    FastBuffer buffer(reinterpret_cast<char *>(payload->data), payload->max_size);
    Cdr cdr(buffer, Cdr::DEFAULT_ENDIAN, Cdr::DDS_CDR);
    payload->encapsulation = cdr.endianness() == Cdr::BIG_ENDIANNESS ? CDR_BE : CDR_LE;
    cdr.serialize_encapsulation();
    if (!callbacks_->cdr_serialize(data, cdr)) {
      return false;
    }
    payload->length = static_cast<uint32_t>(cdr.getSerializedDataLength());
    return true;
  } catch (const eprosima::fastcdr::exception::Exception &) {
    return false;
  }
}

thread_local bool DiscardSamples::active_ = false;

bool HandleTopicType::deserialize(SerializedPayload_t * payload, void * data)
{
  if (DiscardSamples::active()) {
    return true;
  }
  try {
    FastBuffer buffer(reinterpret_cast<char *>(payload->data), payload->length);
    Cdr cdr(buffer, Cdr::DEFAULT_ENDIAN, Cdr::DDS_CDR);
    cdr.read_encapsulation();
    if (callbacks_->cdr_deserialize(cdr, data)) {
      return true;
    }
  } catch (const eprosima::fastcdr::exception::Exception &) {
  }
  ++malformed_;
  return false;
}

std::function<uint32_t()> HandleTopicType::getSerializedSizeProvider(void * data)
{
  return [this, data]() -> uint32_t {
           // The size entry saturates at 2^32 - 1 for messages over 4 GiB;
           // adding the encapsulation must not wrap that to a small number.
           const uint32_t size = callbacks_->get_serialized_size(data);
           return size > UINT32_MAX - kEncapsulationSize ? UINT32_MAX : size + kEncapsulationSize;
         };
}

void * HandleTopicType::createData()
{
  return factory_.create();
}

void HandleTopicType::deleteData(void * data)
{
  factory_.destroy(data);
}

}  // namespace orvane_dds
