#ifndef ORVANE_H26X_MSGS_TOOLS__HANDLE_TOPIC_TYPE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__HANDLE_TOPIC_TYPE_HPP_

// Fast DDS glue for this package's messages, the way the ROS 2 middleware
// does it: a TopicDataType built from a Fast-CDR type-support handle (plain or
// class), and participants that stay on this machine unless asked otherwise.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "fastdds/dds/domain/DomainParticipant.hpp"
#include "fastdds/dds/publisher/qos/DataWriterQos.hpp"
#include "fastdds/dds/subscriber/qos/DataReaderQos.hpp"
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

// Type name "orvane_h26x_msgs::msg::dds_::<Type>_"; samples are a CDR
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

private:
  const message_type_support_callbacks_t * callbacks_;
  MessageFactory factory_;
};

enum class Transport
{
  SHARED_MEMORY,   // default: nothing leaves the machine
  LOOPBACK_UDP,    // UDPv4 on 127.0.0.1 only, unicast discovery, no multicast
  ALL_INTERFACES,  // Fast DDS defaults: multicast discovery on every interface
};

// "shm", "udp-loopback" or "all-interfaces"; throws on anything else.
Transport parse_transport(const std::string & name);

eprosima::fastdds::dds::DomainParticipant * create_participant(
  int domain, Transport transport, const std::string & name);

// Reliable, keep-all, asynchronous (fragmenting) endpoints with payloads
// that grow to the sample's size.
eprosima::fastdds::dds::DataWriterQos reliable_writer_qos(eprosima::fastdds::dds::Publisher * publisher);
eprosima::fastdds::dds::DataReaderQos reliable_reader_qos(eprosima::fastdds::dds::Subscriber * subscriber);

}  // namespace orvane_dds

#endif  // ORVANE_H26X_MSGS_TOOLS__HANDLE_TOPIC_TYPE_HPP_
