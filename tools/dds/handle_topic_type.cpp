#include "handle_topic_type.hpp"

#include <stdexcept>

#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "fastcdr/exceptions/Exception.h"
#include "fastdds/dds/domain/DomainParticipantFactory.hpp"
#include "fastdds/dds/domain/qos/DomainParticipantQos.hpp"
#include "fastdds/dds/publisher/Publisher.hpp"
#include "fastdds/dds/subscriber/Subscriber.hpp"
#include "fastdds/rtps/transport/UDPv4TransportDescriptor.h"
#include "fastdds/rtps/transport/shared_mem/SharedMemTransportDescriptor.h"
#include "fastrtps/utils/IPLocator.h"
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

thread_local bool HandleTopicType::discarding_ = false;

bool HandleTopicType::deserialize(SerializedPayload_t * payload, void * data)
{
  if (discarding_) {
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

Transport parse_transport(const std::string & name)
{
  if (name == "shm") {
    return Transport::SHARED_MEMORY;
  }
  if (name == "udp-loopback") {
    return Transport::LOOPBACK_UDP;
  }
  if (name == "all-interfaces") {
    return Transport::ALL_INTERFACES;
  }
  throw std::invalid_argument("unknown transport '" + name + "' (shm, udp-loopback, all-interfaces)");
}

eprosima::fastdds::dds::DomainParticipant * create_participant(
  int domain, Transport transport, const std::string & name,
  eprosima::fastdds::dds::DomainParticipantListener * listener)
{
  using namespace eprosima::fastdds::dds;
  using eprosima::fastrtps::rtps::IPLocator;
  using eprosima::fastrtps::rtps::Locator_t;
  DomainParticipantQos qos = PARTICIPANT_QOS_DEFAULT;
  qos.name(name);
  if (transport != Transport::ALL_INTERFACES) {
    qos.transport().use_builtin_transports = false;
  }
  if (transport == Transport::SHARED_MEMORY) {
    auto shm = std::make_shared<eprosima::fastdds::rtps::SharedMemTransportDescriptor>();
    shm->segment_size(8 * 1024 * 1024);
    qos.transport().user_transports.push_back(shm);
  } else if (transport == Transport::LOOPBACK_UDP) {
    auto udp = std::make_shared<eprosima::fastdds::rtps::UDPv4TransportDescriptor>();
    udp->interfaceWhiteList.emplace_back("127.0.0.1");
    // Peers on loopback are found by probing the ports of the first
    // participant ids; allow for a few dozen participants on the machine.
    udp->maxInitialPeersRange = 32;
    qos.transport().user_transports.push_back(udp);
    Locator_t loopback;
    loopback.kind = LOCATOR_KIND_UDPv4;
    IPLocator::setIPv4(loopback, 127, 0, 0, 1);
    // Unicast locators only: with no multicast locator given, none is made,
    // and peers are found by the initial peers on loopback.
    auto & builtin = qos.wire_protocol().builtin;
    builtin.initialPeersList.push_back(loopback);
    builtin.metatrafficUnicastLocatorList.push_back(loopback);
    builtin.metatrafficMulticastLocatorList.clear();
    qos.wire_protocol().default_unicast_locator_list.push_back(loopback);
    qos.wire_protocol().default_multicast_locator_list.clear();
  }
  // The listener hears of discovered writers; data stays with the readers.
  return DomainParticipantFactory::get_instance()->create_participant(domain, qos, listener, StatusMask::none());
}

eprosima::fastdds::dds::DataWriterQos reliable_writer_qos(eprosima::fastdds::dds::Publisher * publisher)
{
  using namespace eprosima::fastdds::dds;
  DataWriterQos qos = publisher->get_default_datawriter_qos();
  qos.reliability().kind = RELIABLE_RELIABILITY_QOS;
  qos.reliability().max_blocking_time = eprosima::fastrtps::Duration_t(10, 0);
  // Transient-local, which volatile readers accept: Fast DDS 2.9 never frees
  // the full keep-all history of a volatile writer (measured: it stops at
  // the 64th sample), while a transient-local one frees acknowledged samples.
  qos.durability().kind = TRANSIENT_LOCAL_DURABILITY_QOS;
  qos.history().kind = KEEP_ALL_HISTORY_QOS;
  qos.publish_mode().kind = ASYNCHRONOUS_PUBLISH_MODE;
  qos.endpoint().history_memory_policy = eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  qos.resource_limits().max_samples = 64;
  qos.resource_limits().max_samples_per_instance = 64;
  return qos;
}

eprosima::fastdds::dds::DataReaderQos reader_qos(eprosima::fastdds::dds::Subscriber * subscriber, bool reliable)
{
  using namespace eprosima::fastdds::dds;
  DataReaderQos qos = subscriber->get_default_datareader_qos();
  qos.reliability().kind = reliable ? RELIABLE_RELIABILITY_QOS : BEST_EFFORT_RELIABILITY_QOS;
  qos.durability().kind = VOLATILE_DURABILITY_QOS;
  qos.history().kind = KEEP_ALL_HISTORY_QOS;
  qos.endpoint().history_memory_policy = eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  qos.resource_limits().max_samples = 64;
  qos.resource_limits().max_samples_per_instance = 64;
  return qos;
}

}  // namespace orvane_dds
