#include "session.hpp"

#include <stdexcept>
#include <thread>

#include "fastdds/dds/domain/DomainParticipantFactory.hpp"
#include "fastdds/dds/publisher/Publisher.hpp"
#include "fastdds/dds/subscriber/Subscriber.hpp"
#include "fastdds/dds/topic/Topic.hpp"

namespace orvane_dds
{
using namespace eprosima::fastdds::dds;

Session::Session(
  const rosidl_message_type_support_t * handle, MessageFactory factory, const std::string & topic,
  int domain, Transport transport)
: type_(new HandleTopicType(handle, std::move(factory)))
{
  participant_ = create_participant(domain, transport, "orvane_h26x_msgs:" + topic);
  if (!participant_ || type_.register_type(participant_) != ReturnCode_t::RETCODE_OK) {
    throw std::runtime_error("cannot create a DDS participant for " + topic);
  }
  topic_ = participant_->create_topic(topic, type_.get_type_name(), TOPIC_QOS_DEFAULT);
  if (!topic_) {
    throw std::runtime_error("cannot create topic " + topic);
  }
}

Session::~Session()
{
  if (participant_) {
    participant_->delete_contained_entities();
    DomainParticipantFactory::get_instance()->delete_participant(participant_);
  }
}

DataWriter * Session::writer()
{
  if (!writer_) {
    publisher_ = participant_->create_publisher(PUBLISHER_QOS_DEFAULT);
    writer_ = publisher_ ? publisher_->create_datawriter(topic_, reliable_writer_qos(publisher_)) : nullptr;
    if (!writer_) {
      throw std::runtime_error("cannot create a writer on " + topic_->get_name());
    }
  }
  return writer_;
}

DataReader * Session::reader(DataReaderListener * listener)
{
  if (!reader_) {
    subscriber_ = participant_->create_subscriber(SUBSCRIBER_QOS_DEFAULT);
    reader_ = subscriber_ ? subscriber_->create_datareader(topic_, reliable_reader_qos(subscriber_), listener) : nullptr;
    if (!reader_) {
      throw std::runtime_error("cannot create a reader on " + topic_->get_name());
    }
  }
  return reader_;
}

bool Session::wait_for_reader(std::chrono::milliseconds timeout)
{
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  PublicationMatchedStatus status;
  while (std::chrono::steady_clock::now() < deadline) {
    writer()->get_publication_matched_status(status);
    if (status.current_count > 0) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

}  // namespace orvane_dds
