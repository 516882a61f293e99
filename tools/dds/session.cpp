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
  const rosidl_message_type_support_t * type_supports, MessageFactory factory, const std::string & topic,
  int domain, Transport transport, DomainParticipantListener * listener)
: Session(new HandleTopicType(type_supports, std::move(factory)), topic, domain, transport, listener)
{
}

Session::Session(
  TopicDataType * topic_type, const std::string & topic, int domain, Transport transport,
  DomainParticipantListener * listener)
: topic_type_(topic_type), handle_type_(dynamic_cast<HandleTopicType *>(topic_type)), type_(topic_type)
{
  participant_ = create_participant(domain, transport, "orvane_h26x_msgs:" + topic, listener);
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

DataWriter * Session::writer(WriterFlow flow, std::size_t sample_bytes, DataWriterListener * listener)
{
  if (!writer_) {
    publisher_ = participant_->create_publisher(PUBLISHER_QOS_DEFAULT);
    writer_ = publisher_ ?
      publisher_->create_datawriter(topic_, stream_writer_qos(publisher_, flow, sample_bytes), listener) : nullptr;
    if (!writer_) {
      throw std::runtime_error("cannot create a writer on " + topic_->get_name());
    }
  }
  return writer_;
}

DataReader * Session::reader(DataReaderListener * listener, bool reliable)
{
  if (!subscriber_) {
    subscriber_ = participant_->create_subscriber(SUBSCRIBER_QOS_DEFAULT);
  }
  DataReader * reader =
    subscriber_ ? subscriber_->create_datareader(topic_, stream_reader_qos(subscriber_, reliable), listener) : nullptr;
  if (!reader) {
    throw std::runtime_error("cannot create a reader on " + topic_->get_name());
  }
  return reader;
}

bool Session::write(void * sample, const std::function<bool()> & keep_waiting)
{
  // A keep-all writer's write times out (RETCODE_TIMEOUT) while a reader
  // holds the history full; trying again is waiting for room.
  while (true) {
    const ReturnCode_t written = writer()->write(sample, HANDLE_NIL);
    if (written == ReturnCode_t::RETCODE_OK) {
      return true;
    }
    const bool full = written == ReturnCode_t::RETCODE_TIMEOUT || written == ReturnCode_t::RETCODE_OUT_OF_RESOURCES;
    if (!full || !keep_waiting()) {
      return false;
    }
  }
}

bool Session::finish(std::chrono::milliseconds timeout)
{
  if (!writer_) {
    return true;
  }
  // In short steps: a reader forgotten (its lease ended) stops counting
  // only for waits that start after it is gone.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (writer_->wait_for_acknowledgments(eprosima::fastrtps::Duration_t(0, 200 * 1000 * 1000)) !=
    ReturnCode_t::RETCODE_OK)
  {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
  }
  return true;
}

bool Session::wait_for_reader(std::chrono::milliseconds timeout)
{
  if (!wait_for_matched_readers(writer(), timeout, kDiscoveryRepair)) {
    return false;
  }
  // A heartbeat that says "nothing written yet" to every matched reader (a
  // manual-liveliness assertion sends one). A Cyclone DDS reader takes the
  // first heartbeat it sees as where live data begins: without this one, it
  // is the heartbeat after the first frame, and a first frame that is still
  // incomplete then (a keyframe or raw image in fragments, one of them lost)
  // is skipped as history. Three, in case one is lost.
  for (int i = 0; i < 3; ++i) {
    writer_->assert_liveliness();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

bool wait_for_matched_readers(
  DataWriter * writer, std::chrono::milliseconds timeout, std::chrono::milliseconds settle)
{
  // A subscriber may have several readers on the topic (h26x_recorder has
  // two), found one by one: wait until no new one has come for a while.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  PublicationMatchedStatus status;
  int32_t matched = 0;
  auto changed = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() < deadline) {
    writer->get_publication_matched_status(status);
    if (status.current_count != matched) {
      matched = status.current_count;
      changed = std::chrono::steady_clock::now();
    }
    if (matched > 0 && std::chrono::steady_clock::now() - changed >= settle) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return matched > 0;
}

}  // namespace orvane_dds
