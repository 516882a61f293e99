#include "sources/bag_source.hpp"

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace sources
{

BagSource::BagSource(const std::string & path, const std::vector<std::string> & topics, bool loop)
: path_(path), loop_(loop), reader_(std::make_unique<bag::BagReader>(path))
{
  const std::vector<bag::TopicInfo> all = reader_->topics();
  for (const std::string & name : topics) {
    const auto found = std::find_if(all.begin(), all.end(), [&name](const bag::TopicInfo & topic) {
          return topic.name == name;
        });
    if (found == all.end()) {
      throw std::invalid_argument(path + " has no topic " + name + " (--list shows its topics)");
    }
  }
  for (const bag::TopicInfo & topic : all) {
    const bool named = std::find(topics.begin(), topics.end(), topic.name) != topics.end();
    if ((topics.empty() || named) && message_type(topic.type)) {
      wanted_.insert(topic.name);
      topics_.push_back(topic);
    } else if (named) {
      throw std::invalid_argument(topic.name + " carries " + topic.type + ", not one of the package's messages");
    }
  }
  if (topics_.empty()) {
    throw std::invalid_argument(path + " has no topic of the package's messages (--list shows its topics)");
  }
  reader_->only(wanted_);
}

bool BagSource::next(stream::Moment & moment)
{
  while (!stream::stop_requested) {
    if (!reader_->next(message_)) {
      if (!loop_ || taken_ == 0) {
        return false;
      }
      // Again from the start, one mean interval after the last message.
      const int64_t span = last_time_ - loop_offset_;
      loop_offset_ = last_time_ + (taken_ > 1 ? span / static_cast<int64_t>(taken_ - 1) : 0);
      first_time_ = -1;
      taken_ = 0;
      reader_ = std::make_unique<bag::BagReader>(path_);
      reader_->only(wanted_);
      continue;
    }
    if (!wanted_.count(message_.topic)) {
      continue;
    }
    const std::optional<MessageType> type = message_type(message_.type);
    if (!type) {
      if (passed_over_.insert(message_.topic).second) {
        stream::note(message_.topic + " carries " + message_.type + " here: passed over");
      }
      ++malformed_;
      continue;
    }
    if (!decode_moment(*type, message_.data, moment)) {
      ++malformed_;
      continue;
    }
    const auto log_time = static_cast<int64_t>(message_.log_time);
    first_time_ = first_time_ < 0 ? log_time : first_time_;
    moment.topic = message_.topic;
    moment.stamp_ns = moment.stamp_ns ? moment.stamp_ns : log_time;  // an OriginalImage has no header
    // A stored end-of-stream marker stays one (sinks count what it says was
    // sent), but it ends nothing here: the bag's end does. A loop passes
    // over them, or readers of the replay would end after the first pass.
    if (moment.end_of_stream && loop_) {
      continue;
    }
    moment.received_ns = log_time;
    moment.media_time_ns = loop_offset_ + log_time - first_time_;
    last_time_ = moment.media_time_ns;
    if (!moment.end_of_stream) {
      first_stamp_ = stamped_ ? std::min(first_stamp_, moment.stamp_ns) : moment.stamp_ns;
      last_stamp_ = stamped_ ? std::max(last_stamp_, moment.stamp_ns) : moment.stamp_ns;
      stamped_ = true;
    }
    ++taken_;
    moment.serialized = std::make_shared<const std::vector<uint8_t>>(std::move(message_.data));
    return true;
  }
  return false;
}

std::string BagSource::ending() const
{
  std::string text;
  for (const std::string & problem : reader_->problems()) {
    text += (text.empty() ? "" : "\n") + problem;
  }
  if (malformed_) {
    text += (text.empty() ? "" : "\n") + std::to_string(malformed_) +
      " messages were not of their topic's type or did not decode, and were passed over";
  }
  return text;
}

}  // namespace sources
