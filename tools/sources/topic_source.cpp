#include "sources/topic_source.hpp"

#include <algorithm>
#include <cstdio>

#include "bag/message_definitions.hpp"
#include "bag/offered_qos.hpp"

namespace sources
{
namespace
{
std::size_t bytes_of(const stream::Moment & moment)
{
  std::size_t bytes = moment.serialized ? moment.serialized->size() : 0;
  for (const auto * units : {&moment.units, &moment.originals}) {
    for (const stream::Unit & unit : *units) {
      bytes += unit.data.size();
    }
  }
  return bytes;
}

// How long marker-less topics stay quiet, after every marker came, to end.
constexpr std::chrono::seconds kQuietEnd{1};

// "rt/camera/h26x" -> "/camera/h26x", as ROS names the topic.
std::string ros_topic(const std::string & dds_topic)
{
  return dds_topic.rfind("rt/", 0) == 0 ? dds_topic.substr(2) : dds_topic;
}
}  // namespace

struct TopicSource::Reader
{
  Subscription subscription;
  std::unique_ptr<orvane_dds::TopicReader> reader;
};

TopicSource::TopicSource(const Settings & settings)
: settings_(settings), start_(std::chrono::steady_clock::now()), last_arrival_(start_)
{
  for (const Subscription & subscription : settings.topics) {
    subscribe(subscription);
  }
  if (!settings.all_of.empty() || !settings.found_topics.empty()) {
    finder_ = std::make_unique<orvane_dds::TopicFinder>(settings.domain, settings.transport);
  }
}

TopicSource::~TopicSource()
{
  readers_.clear();
}

void TopicSource::subscribe(const Subscription & subscription)
{
  auto reader = std::make_unique<Reader>();
  reader->subscription = subscription;
  Reader * target = reader.get();
  reader->reader = std::make_unique<orvane_dds::TopicReader>(
    type_support(subscription.type), message_factory(subscription.type), settings_.keep_bytes, subscription.topic,
    settings_.domain, settings_.transport, [this, target](orvane_dds::SerializedSample & sample) {
      arrived(*target, sample);
    });
  readers_.push_back(std::move(reader));
}

// New topics of the types asked for, found on the domain since last time.
void TopicSource::find_topics()
{
  for (const auto & [topic, dds_type] : finder_->take_new()) {
    const std::optional<MessageType> type = message_type(bag::ros_type_name(dds_type));
    const bool named = std::count(settings_.found_topics.begin(), settings_.found_topics.end(), topic) > 0;
    const bool wanted = type && (named || std::count(settings_.all_of.begin(), settings_.all_of.end(), *type));
    const bool known = std::any_of(readers_.begin(), readers_.end(), [&topic = topic](const auto & reader) {
          return reader->subscription.topic == topic;
        });
    if (wanted && !known && topic.rfind("rt/", 0) == 0) {
      stream::note("found " + ros_topic(topic) + " (" + ros_type(*type) + ")");
      subscribe({topic, *type});
    }
  }
}

void TopicSource::arrived(Reader & reader, orvane_dds::SerializedSample & sample)
{
  stream::Moment moment;
  moment.received_ns = stream::now_ns();
  take_message(reader.subscription.type, sample.message, moment);
  moment.topic = ros_topic(reader.subscription.topic);
  moment.serialized = std::move(sample.bytes);
  std::lock_guard<std::mutex> lock(mutex_);
  last_arrival_ = std::chrono::steady_clock::now();
  if (moment.units.size() > settings_.max_streams) {
    ++too_many_streams_;
    std::fprintf(stderr, "dropped a sample with %zu streams (more than %zu)\n", moment.units.size(),
      settings_.max_streams);
    return;
  }
  const std::size_t bytes = bytes_of(moment);
  const bool full = !queue_.empty() &&
    (queue_.size() >= settings_.queue_moments || queued_bytes_ + bytes > settings_.queue_bytes);
  if (full && !moment.end_of_stream) {
    ++dropped_;
    return;
  }
  queued_bytes_ += bytes;
  queue_.push_back(std::move(moment));
  changed_.notify_all();
}

bool TopicSource::next(stream::Moment & moment)
{
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_tick_ >= std::chrono::milliseconds(100)) {
      last_tick_ = now;
      lock.unlock();  // none may run under the lock: a listener takes it
      if (finder_) {
        find_topics();
      }
      for (const auto & reader : readers_) {
        reader->reader->update();
      }
      if (tick_) {
        tick_();
      }
      lock.lock();
      continue;
    }
    if (!queue_.empty()) {
      break;
    }
    if (stream::stop_requested) {
      return false;
    }
    if (closing_ && now - last_arrival_ >= kQuietEnd) {
      return false;
    }
    if (settings_.duration > 0 && now - start_ >= std::chrono::duration<double>(settings_.duration)) {
      duration_over_ = true;
      return false;
    }
    if (settings_.idle_timeout > 0 && now - last_arrival_ >= std::chrono::duration<double>(settings_.idle_timeout)) {
      timed_out_ = true;
      return false;
    }
    changed_.wait_until(lock, last_tick_ + std::chrono::milliseconds(100));  // an arrival wakes it sooner
  }
  moment = std::move(queue_.front());
  queue_.pop_front();
  queued_bytes_ -= std::min(queued_bytes_, bytes_of(moment));
  if (moment.end_of_stream) {
    ended_.insert(moment.topic);
  }
  return true;
}

bool TopicSource::ends_at(const stream::Moment &) const
{
  const auto ended = [this](const std::string & dds_topic) {return ended_.count(ros_topic(dds_topic)) > 0;};
  const auto markerless = [this](const std::string & dds_topic) {
      return std::any_of(readers_.begin(), readers_.end(), [&](const auto & reader) {
               return reader->subscription.topic == dds_topic && !sends_marker(reader->subscription.type);
             });
    };
  const bool all_in = std::all_of(readers_.begin(), readers_.end(), [&](const auto & reader) {
        return ended(reader->subscription.topic) || markerless(reader->subscription.topic);
      }) && std::all_of(settings_.found_topics.begin(), settings_.found_topics.end(), [&](const std::string & topic) {
        return ended(topic) || markerless(topic);
      });
  if (all_in && std::any_of(readers_.begin(), readers_.end(), [&](const auto & reader) {
      return markerless(reader->subscription.topic);
    }))
  {
    closing_ = true;
    return false;
  }
  return all_in;
}

std::string TopicSource::ending() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  if (timed_out_) {
    char line[96];
    std::snprintf(line, sizeof(line), "nothing received for %g s", settings_.idle_timeout);
    return line;
  }
  return duration_over_ ? "the duration is over" : "";
}

uint64_t TopicSource::malformed() const
{
  uint64_t malformed = 0;
  for (const auto & reader : readers_) {
    malformed += reader->reader->malformed();
  }
  return malformed;
}

uint64_t TopicSource::dropped() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  return dropped_;
}

uint64_t TopicSource::too_many_streams() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  return too_many_streams_;
}

std::string TopicSource::offered_qos(const std::string & topic) const
{
  for (const auto & reader : readers_) {
    if (ros_topic(reader->subscription.topic) == topic) {
      return bag::offered_qos_yaml(reader->reader->offered_qos());
    }
  }
  return "";
}

}  // namespace sources
