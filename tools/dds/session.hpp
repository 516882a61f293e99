#ifndef ORVANE_H26X_MSGS_TOOLS__SESSION_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SESSION_HPP_

// One topic of one message type on its own participant, with the writer or
// reader the program needs; everything is deleted with the session.

#include <chrono>
#include <functional>
#include <string>

#include "fastdds/dds/publisher/DataWriter.hpp"
#include "fastdds/dds/publisher/DataWriterListener.hpp"
#include "fastdds/dds/subscriber/DataReader.hpp"
#include "fastdds/dds/subscriber/DataReaderListener.hpp"
#include "fastdds/dds/topic/TypeSupport.hpp"
#include "handle_topic_type.hpp"
#include "node_environment.hpp"

namespace orvane_dds
{

class Session
{
public:
  // `type_supports`: see HandleTopicType; `listener` hears of discovered
  // endpoints (optional).
  Session(
    const rosidl_message_type_support_t * type_supports, MessageFactory factory, const std::string & topic,
    int domain, Transport transport, eprosima::fastdds::dds::DomainParticipantListener * listener = nullptr);
  // Any topic type (the session owns it), e.g. a PassThroughTopicType.
  Session(
    eprosima::fastdds::dds::TopicDataType * topic_type, const std::string & topic, int domain, Transport transport,
    eprosima::fastdds::dds::DomainParticipantListener * listener = nullptr);
  ~Session();
  Session(const Session &) = delete;
  Session & operator=(const Session &) = delete;

  // The topic's writer, made on the first call with `flow` (see WriterFlow),
  // the largest sample expected (0: not known) and a listener (which must
  // outlive the session).
  eprosima::fastdds::dds::DataWriter * writer(
    WriterFlow flow = WriterFlow::PACED, std::size_t sample_bytes = 0,
    eprosima::fastdds::dds::DataWriterListener * listener = nullptr);
  // A new reader on the topic each call.
  eprosima::fastdds::dds::DataReader * reader(
    eprosima::fastdds::dds::DataReaderListener * listener, bool reliable = true);

  // Writes a sample. A paced writer never waits; a reader-paced one waits
  // for room as long as `keep_waiting()` says (a reader that stopped
  // acknowledging is forgotten when its lease ends). False only when the
  // sample could not be written.
  bool write(void * sample, const std::function<bool()> & keep_waiting);

  // Waits until every matched reader has acknowledged everything written,
  // at most `timeout`; readers forgotten meanwhile no longer count. False
  // when some reader had not acknowledged by then.
  bool finish(std::chrono::milliseconds timeout);

  // Samples that arrived and did not deserialize.
  uint64_t malformed() const {return handle_type_->malformed();}

  // Waits until the writer has found its readers and they have had time to
  // find the writer (see kDiscoveryRepair); false if none came in time.
  bool wait_for_reader(std::chrono::milliseconds timeout);

  eprosima::fastdds::dds::DomainParticipant * participant() const {return participant_;}

private:
  eprosima::fastdds::dds::DomainParticipant * participant_ = nullptr;
  eprosima::fastdds::dds::TopicDataType * topic_type_;  // owned by type_
  HandleTopicType * handle_type_;  // topic_type_, when a HandleTopicType
  eprosima::fastdds::dds::TypeSupport type_;
  eprosima::fastdds::dds::Topic * topic_ = nullptr;
  eprosima::fastdds::dds::Publisher * publisher_ = nullptr;
  eprosima::fastdds::dds::Subscriber * subscriber_ = nullptr;
  eprosima::fastdds::dds::DataWriter * writer_ = nullptr;
};

// Waits until `writer` has matched a reader and no further reader has come
// for `settle` (by default a quarter second); false if none came within `timeout`.
bool wait_for_matched_readers(
  eprosima::fastdds::dds::DataWriter * writer, std::chrono::milliseconds timeout,
  std::chrono::milliseconds settle = std::chrono::milliseconds(250));

// How long after the writer has matched a reader the reader may still not
// know the writer: when the writer's announcement reaches the reader's
// participant before that participant knows the writer's, it is dropped and
// sent again with the next discovery heartbeat, which Fast DDS sends every
// second. A volatile Cyclone DDS reader (rmw_cyclonedds_cpp's default)
// treats everything written before it knew the writer as history and skips
// it, so writing earlier loses the stream's start (measured: the first frame
// in about half the runs, the reader matching up to a second late).
constexpr std::chrono::milliseconds kDiscoveryRepair{1250};

}  // namespace orvane_dds

#endif  // ORVANE_H26X_MSGS_TOOLS__SESSION_HPP_
