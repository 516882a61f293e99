#ifndef ORVANE_H26X_MSGS_TOOLS__SOURCES__TOPIC_SOURCE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SOURCES__TOPIC_SOURCE_HPP_

// A live topic of Compressed or MultiCompressed messages as moments. The
// middleware's thread only turns each sample into a moment and queues it;
// the program's thread takes them from the queue, so that no file or
// decoder ever holds the middleware up. The queue is bounded: when it is
// full (the sinks cannot keep up) a moment is dropped and counted, and the
// sinks resume at the next key frame.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "dds/topic_reader.hpp"
#include "stream/pipeline.hpp"

namespace sources
{

enum class MessageShape {COMPRESSED, MULTI_COMPRESSED};

class TopicSource : public stream::Source
{
public:
  struct Settings
  {
    MessageShape shape = MessageShape::COMPRESSED;
    std::string topic;  // the DDS topic
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

  uint64_t malformed() const;  // samples that did not decode
  uint64_t dropped() const;  // moments the queue had no room for
  uint64_t too_many_streams() const;

private:
  void arrived(orvane_dds::SerializedSample & sample);
  Settings settings_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<stream::Moment> queue_;
  std::size_t queued_bytes_ = 0;
  uint64_t dropped_ = 0;
  uint64_t too_many_streams_ = 0;
  bool timed_out_ = false;
  bool duration_over_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_arrival_;
  std::unique_ptr<orvane_dds::TopicReader> reader_;  // last: its thread stops first
};

}  // namespace sources

#endif  // ORVANE_H26X_MSGS_TOOLS__SOURCES__TOPIC_SOURCE_HPP_
