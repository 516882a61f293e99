#ifndef ORVANE_H26X_MSGS_TOOLS__DDS__TOPIC_READER_HPP_
#define ORVANE_H26X_MSGS_TOOLS__DDS__TOPIC_READER_HPP_

// The one way the tools take samples from a topic, from reliable and
// best-effort writers alike: a reliable reader, and once a writer that
// offers only best-effort is found (see update()) a best-effort one too,
// which then also gets a reliable writer's copies (dropped unread). Made
// only when needed, as each copy costs: a 1080p30 stream's reception takes
// half again as much CPU with both. A sample that does not decode is
// dropped and counted, and never stops the reader.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "bag/offered_qos.hpp"
#include "fastdds/dds/domain/DomainParticipantListener.hpp"
#include "fastdds/dds/subscriber/DataReaderListener.hpp"
#include "pass_through_type.hpp"
#include "session.hpp"

namespace orvane_dds
{

class TopicReader
{
public:
  // Called on the middleware's thread for every sample that decoded. The
  // message (and the bytes, when kept) may be moved from; keep it short.
  using OnSample = std::function<void(SerializedSample & sample)>;

  // Decodes into messages made by `factory`; keeps each sample's CDR bytes
  // too when `keep_bytes`.
  TopicReader(
    const rosidl_message_type_support_t * type_supports, MessageFactory factory, bool keep_bytes,
    const std::string & topic, int domain, Transport transport, OnSample on_sample);
  ~TopicReader();
  TopicReader(const TopicReader &) = delete;
  TopicReader & operator=(const TopicReader &) = delete;

  // Makes the best-effort reader once such a writer has been found. From
  // the program's thread, often (a best-effort writer's samples before it
  // are lost; the tools' publishers wait for a reader to match).
  void update();

  uint64_t malformed() const {return type_->malformed();}
  // What the topic's writers offer, each as discovery reported it.
  std::vector<bag::OfferedQos> offered_qos() const;

private:
  class Writers;
  class Listener;
  void take(eprosima::fastdds::dds::DataReader * reader, bool best_effort_reader);

  OnSample on_sample_;
  MessageFactory factory_;
  std::unique_ptr<Writers> writers_;
  PassThroughTopicType * type_;  // owned by the session
  std::unique_ptr<Listener> reliable_, best_effort_;
  bool best_effort_made_ = false;
  std::unique_ptr<Session> session_;
  std::mutex taking_;  // both readers' listeners share the sample
  SerializedSample sample_;
};

}  // namespace orvane_dds

#endif  // ORVANE_H26X_MSGS_TOOLS__DDS__TOPIC_READER_HPP_
