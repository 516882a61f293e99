#include "sources/topic_source.hpp"

#include <cstdio>
#include <type_traits>

#include "orvane_h26x_msgs/msg/compressed.hpp"
#include "orvane_h26x_msgs/msg/multi_compressed.hpp"
#include "rosidl_typesupport_cpp/message_type_support.hpp"

namespace sources
{
namespace
{
using orvane_h26x_msgs::msg::Compressed;
using orvane_h26x_msgs::msg::MultiCompressed;

template<class ImageLike>
stream::Unit take_unit(ImageLike & image, bool present)
{
  stream::Unit unit;
  unit.encoding = std::move(image.encoding);
  unit.width = image.width;
  unit.height = image.height;
  unit.step = image.step;
  unit.count = image.count;
  unit.present = present;
  unit.data = std::move(image.data);
  return unit;
}

bool first_set(const std::vector<uint8_t> & flags)
{
  return !flags.empty() && flags[0];
}

// The message's images as the moment's units, moved out of it.
template<class Message>
void take_message(Message & message, stream::Moment & moment)
{
  moment.stamp_ns = stream::stamp_ns(message.header.stamp.sec, message.header.stamp.nanosec);
  moment.frame_id = std::move(message.header.frame_id);
  moment.end_of_stream = moment.frame_id == stream::kEndOfStream;
  if constexpr (std::is_same_v<Message, MultiCompressed>) {
    for (auto & image : message.h26x_images) {
      moment.units.push_back(take_unit(image, first_set(image.is_vaild)));
    }
    for (auto & original : message.original_images) {
      moment.originals.push_back(take_unit(original, first_set(original.is_valid)));
    }
  } else {
    for (auto & image : message.images) {
      moment.units.push_back(take_unit(image, true));
    }
  }
}

template<class Message>
orvane_dds::MessageFactory factory_of()
{
  return {[] {return static_cast<void *>(new Message());}, [](void * m) {delete static_cast<Message *>(m);}};
}

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
}  // namespace

TopicSource::TopicSource(const Settings & settings)
: settings_(settings), start_(std::chrono::steady_clock::now()), last_arrival_(start_)
{
  const bool multi = settings.shape == MessageShape::MULTI_COMPRESSED;
  reader_ = std::make_unique<orvane_dds::TopicReader>(
    multi ? rosidl_typesupport_cpp::get_message_type_support_handle<MultiCompressed>() :
    rosidl_typesupport_cpp::get_message_type_support_handle<Compressed>(),
    multi ? factory_of<MultiCompressed>() : factory_of<Compressed>(), settings.keep_bytes,
    settings.topic, settings.domain, settings.transport,
    [this](orvane_dds::SerializedSample & sample) {arrived(sample);});
}

TopicSource::~TopicSource()
{
  reader_.reset();
}

void TopicSource::arrived(orvane_dds::SerializedSample & sample)
{
  stream::Moment moment;
  moment.received_ns = stream::now_ns();
  if (settings_.shape == MessageShape::MULTI_COMPRESSED) {
    take_message(*static_cast<MultiCompressed *>(sample.message), moment);
  } else {
    take_message(*static_cast<Compressed *>(sample.message), moment);
  }
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
  while (queue_.empty()) {
    const auto now = std::chrono::steady_clock::now();
    if (stream::stop_requested) {
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
    changed_.wait_for(lock, std::chrono::milliseconds(20));
  }
  moment = std::move(queue_.front());
  queue_.pop_front();
  queued_bytes_ -= std::min(queued_bytes_, bytes_of(moment));
  return true;
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
  return reader_->malformed();
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

}  // namespace sources
