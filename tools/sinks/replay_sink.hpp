#ifndef ORVANE_H26X_MSGS_TOOLS__SINKS__REPLAY_SINK_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SINKS__REPLAY_SINK_HPP_

// Moments that carry their CDR bytes (a bag's messages) published again as
// they are, without serializing them again: a writer per topic, registered
// under the stored type's DDS name.

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bag/metadata.hpp"
#include "dds/session.hpp"
#include "stream/pipeline.hpp"

namespace sinks
{

class ReplaySink : public stream::Sink
{
public:
  struct Settings
  {
    std::vector<bag::TopicInfo> topics;
    int domain = 0;
    orvane_dds::Transport transport = orvane_dds::Transport::NODE;
    orvane_dds::WriterFlow flow = orvane_dds::WriterFlow::PACED;
    std::chrono::milliseconds finish_wait{10000};
  };
  explicit ReplaySink(const Settings & settings);
  ~ReplaySink() override;

  // Until every topic's readers have matched and had time to find its
  // writer; false when some topic had none within `timeout`.
  bool wait_for_readers(std::chrono::milliseconds timeout);

  void write(const stream::Moment & moment) override;
  void finish() override;
  bool report() const override;
  bool done() const override {return !error_.empty();}

private:
  Settings settings_;
  std::map<std::string, std::unique_ptr<orvane_dds::Session>> sessions_;  // by ROS topic
  std::string error_;
  uint64_t messages_ = 0, bytes_ = 0;
  bool acknowledged_ = true;
  std::chrono::steady_clock::time_point first_write_, finished_;
};

}  // namespace sinks

#endif  // ORVANE_H26X_MSGS_TOOLS__SINKS__REPLAY_SINK_HPP_
