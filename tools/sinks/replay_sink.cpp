#include "sinks/replay_sink.hpp"

#include <cstdio>

#include "bag/message_definitions.hpp"
#include "dds/pass_through_type.hpp"

namespace sinks
{

ReplaySink::ReplaySink(const Settings & settings)
: settings_(settings)
{
  for (const bag::TopicInfo & topic : settings.topics) {
    const std::string dds_topic = topic.name.rfind("rt/", 0) == 0 ? topic.name : "rt" + topic.name;
    auto session = std::make_unique<orvane_dds::Session>(
      new orvane_dds::PassThroughTopicType(bag::dds_type_name(topic.type)), dds_topic, settings.domain,
      settings.transport);
    session->writer(settings.flow);
    sessions_[topic.name] = std::move(session);
  }
}

ReplaySink::~ReplaySink() = default;

bool ReplaySink::wait_for_readers(std::chrono::milliseconds timeout)
{
  bool all = true;
  for (auto & [topic, session] : sessions_) {
    if (!session->wait_for_reader(timeout)) {
      stream::note("no reader on " + topic);
      all = false;
    }
  }
  return all;
}

void ReplaySink::write(const stream::Moment & moment)
{
  const auto session = sessions_.find(moment.topic);
  if (!error_.empty() || !moment.serialized || session == sessions_.end()) {
    return;
  }
  if (messages_ == 0) {
    first_write_ = std::chrono::steady_clock::now();
  }
  orvane_dds::SerializedSample sample;
  sample.bytes = std::const_pointer_cast<std::vector<uint8_t>>(moment.serialized);
  if (!session->second->write(&sample, [] {return !stream::stop_requested;})) {
    error_ = "cannot write message " + std::to_string(messages_) + " on " + moment.topic;
    stream::note(error_);
    return;
  }
  ++messages_;
  bytes_ += moment.serialized->size();
}

void ReplaySink::finish()
{
  for (auto & [topic, session] : sessions_) {
    acknowledged_ = session->finish(settings_.finish_wait) && acknowledged_;
  }
  finished_ = std::chrono::steady_clock::now();
}

bool ReplaySink::report() const
{
  if (!acknowledged_) {
    stream::note("a reader had not acknowledged everything after " +
      std::to_string(settings_.finish_wait.count() / 1000) + " s (stopped, dead or too slow): it was left behind");
  }
  const double seconds = messages_ ? std::chrono::duration<double>(finished_ - first_write_).count() : 0;
  std::fprintf(stderr, "%s: %llu messages, %llu bytes replayed on %zu topics in %.3f s\n", stream::program(),
    static_cast<unsigned long long>(messages_), static_cast<unsigned long long>(bytes_), sessions_.size(), seconds);
  return error_.empty() && messages_ > 0;
}

}  // namespace sinks
