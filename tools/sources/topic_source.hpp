#ifndef ORVANE_H26X_MSGS_TOOLS__SOURCES__TOPIC_SOURCE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SOURCES__TOPIC_SOURCE_HPP_

// Live topics of the package's messages as moments, each with its topic,
// type and (when asked) its CDR bytes as they came. The middleware's thread
// only turns each sample into a moment and queues it; the program's thread
// takes them from the queue, so that no file or decoder ever holds the
// middleware up. The queue is bounded: when it is full (the sinks cannot
// keep up) a moment is dropped and counted, and the sinks resume at the
// next key frame.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "dds/topic_finder.hpp"
#include "dds/topic_reader.hpp"
#include "sources/message_moments.hpp"
#include "stream/pipeline.hpp"

namespace sources
{

class TopicSource : public stream::Source
{
public:
  struct Subscription
  {
    std::string topic;  // the DDS topic
    MessageType type = MessageType::COMPRESSED;
  };
  struct Settings
  {
    std::vector<Subscription> topics;
    // Topics (DDS names) subscribed to once discovery tells their type (any
    // of the package's messages).
    std::vector<std::string> found_topics;
    // Also every other topic found on the domain carrying one of these types.
    std::vector<MessageType> all_of;
    int domain = 0;
    orvane_dds::Transport transport = orvane_dds::Transport::NODE;
    bool keep_bytes = false;  // each moment carries its sample's CDR bytes
    std::size_t max_streams = 16;  // a sample with more is dropped and counted
    double idle_timeout = 30;  // seconds without a sample that end it; 0: none
    double duration = 0;  // seconds after which it ends; 0: none
    std::size_t queue_bytes = std::size_t{256} << 20;
    std::size_t queue_moments = 512;
  };
  explicit TopicSource(const Settings & settings);
  ~TopicSource() override;

  bool next(stream::Moment & moment) override;
  std::string ending() const override;
  bool ok() const override {return !timed_out_;}
  // Several topics end when each one subscribed to (and each one named) has
  // sent its marker. Foreign types send none: with such topics among them,
  // the end comes once every marker has come and they have been quiet for
  // a second (a frame republished from the others may come last).
  bool ends_at(const stream::Moment & marker) const override;
  // Called about every 100 ms, moments coming or not (to close old chunks).
  void on_tick(std::function<void()> tick) {tick_ = std::move(tick);}

  uint64_t malformed() const;  // samples that did not decode
  uint64_t dropped() const;  // moments the queue had no room for
  uint64_t too_many_streams() const;
  // What the topic's publishers offer (rosbag2's YAML text).
  std::string offered_qos(const std::string & topic) const;

private:
  struct Reader;
  void subscribe(const Subscription & subscription);
  void find_topics();
  void arrived(Reader & reader, orvane_dds::SerializedSample & sample);

  Settings settings_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<stream::Moment> queue_;
  std::size_t queued_bytes_ = 0;
  uint64_t dropped_ = 0;
  uint64_t too_many_streams_ = 0;
  bool timed_out_ = false;
  bool duration_over_ = false;
  mutable bool closing_ = false;  // every marker in: quiet marker-less topics end it
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_arrival_;
  std::function<void()> tick_;
  std::chrono::steady_clock::time_point last_tick_;
  std::unique_ptr<orvane_dds::TopicFinder> finder_;
  std::set<std::string> ended_;  // ROS topics whose marker has come
  std::vector<std::unique_ptr<Reader>> readers_;  // last: their threads stop first
};

}  // namespace sources

#endif  // ORVANE_H26X_MSGS_TOOLS__SOURCES__TOPIC_SOURCE_HPP_
