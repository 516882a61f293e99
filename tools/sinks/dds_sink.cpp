#include "sinks/dds_sink.hpp"

#include "sinks/reception.hpp"

#include <cstdio>
#include <stdexcept>

#include "orvane_h26x_msgs/msg/compressed.h"
#include "orvane_h26x_msgs/msg/image.h"
#include "orvane_h26x_msgs/msg/multi_compressed.h"
#include "orvane_h26x_msgs/msg/multi_image.h"
#include "orvane_h26x_msgs/msg/original_image.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"
#include "std_msgs/msg/header.h"

namespace sinks
{
namespace
{
void check(bool ok, const char * what)
{
  if (!ok) {
    throw std::runtime_error(std::string("out of memory filling ") + what);
  }
}

void set_string(rosidl_runtime_c__String & field, const std::string & text, const char * what)
{
  check(rosidl_runtime_c__String__assignn(&field, text.data(), text.size()), what);
}

void set_header(std_msgs__msg__Header & header, int64_t stamp_ns, const std::string & frame_id)
{
  header.stamp.sec = static_cast<int32_t>(stamp_ns / 1000000000);
  header.stamp.nanosec = static_cast<uint32_t>(stamp_ns % 1000000000);
  set_string(header.frame_id, frame_id, "frame_id");
}

// The image fields both message shapes share. The bytes are borrowed from
// the moment for the write (the record's sequence points at them) and given
// back before the record is touched again.
template<class ImageLike>
void set_image(ImageLike & image, const stream::Unit & unit)
{
  image.count = unit.count;
  image.height = unit.height;
  image.width = unit.width;
  image.is_bigendian = 0;
  image.step = unit.step;
  set_string(image.encoding, unit.encoding, "encoding");
  image.data.data = const_cast<uint8_t *>(unit.data.data());
  image.data.size = image.data.capacity = unit.present ? unit.data.size() : 0;
}

template<class ImageLike>
void give_back(ImageLike & image)
{
  image.data.data = nullptr;
  image.data.size = image.data.capacity = 0;
}
}  // namespace

// The message being written: one record, reused.
struct DdsSink::Record
{
  explicit Record(bool multi)
  {
    if (multi) {
      several = orvane_h26x_msgs__msg__MultiCompressed__create();
    } else {
      single = orvane_h26x_msgs__msg__Compressed__create();
    }
    check(several || single, "a message");
  }
  ~Record()
  {
    lend_nothing();
    orvane_h26x_msgs__msg__Compressed__destroy(single);
    orvane_h26x_msgs__msg__MultiCompressed__destroy(several);
  }
  void lend_nothing()
  {
    for (std::size_t k = 0; single && k < single->images.size; ++k) {
      give_back(single->images.data[k]);
    }
    for (std::size_t k = 0; several && k < several->h26x_images.size; ++k) {
      give_back(several->h26x_images.data[k]);
    }
    for (std::size_t k = 0; several && k < several->original_images.size; ++k) {
      give_back(several->original_images.data[k]);
    }
  }
  void * message() {return single ? static_cast<void *>(single) : static_cast<void *>(several);}
  orvane_h26x_msgs__msg__Compressed * single = nullptr;
  orvane_h26x_msgs__msg__MultiCompressed * several = nullptr;
};

struct DdsSink::Joined : public eprosima::fastdds::dds::DataWriterListener
{
  explicit Joined(std::function<void()> call) : call(std::move(call)) {}
  void on_publication_matched(
    eprosima::fastdds::dds::DataWriter *, const eprosima::fastdds::dds::PublicationMatchedStatus & status) override
  {
    if (status.current_count_change > 0) {
      call();
    }
  }
  std::function<void()> call;
};

DdsSink::DdsSink(const Settings & settings)
: settings_(settings), record_(std::make_unique<Record>(settings.multi))
{
  if (settings.reader_joined) {
    joined_ = std::make_unique<Joined>(settings.reader_joined);
  }
  const rosidl_message_type_support_t * handle = settings.multi ?
    rosidl_typesupport_c__get_message_type_support_handle__orvane_h26x_msgs__msg__MultiCompressed() :
    rosidl_typesupport_c__get_message_type_support_handle__orvane_h26x_msgs__msg__Compressed();
  orvane_dds::MessageFactory factory = settings.multi ?
    orvane_dds::MessageFactory{[] {return static_cast<void *>(orvane_h26x_msgs__msg__MultiCompressed__create());},
      [](void * m) {orvane_h26x_msgs__msg__MultiCompressed__destroy(
          static_cast<orvane_h26x_msgs__msg__MultiCompressed *>(m));}} :
    orvane_dds::MessageFactory{[] {return static_cast<void *>(orvane_h26x_msgs__msg__Compressed__create());},
      [](void * m) {orvane_h26x_msgs__msg__Compressed__destroy(static_cast<orvane_h26x_msgs__msg__Compressed *>(m));}};
  session_ = std::make_unique<orvane_dds::Session>(handle, factory, settings.topic, settings.domain,
      settings.transport);
  session_->writer(settings.flow, settings.sample_bytes, joined_.get());
}

DdsSink::~DdsSink() = default;

bool DdsSink::wait_for_readers(std::chrono::milliseconds timeout)
{
  return session_->wait_for_reader(timeout);
}

void DdsSink::fill(const stream::Moment & moment)
{
  if (record_->single) {
    auto & message = *record_->single;
    set_header(message.header, moment.stamp_ns, moment.frame_id.empty() ? "camera" : moment.frame_id);
    if (message.images.size != moment.units.size()) {
      orvane_h26x_msgs__msg__Image__Sequence__fini(&message.images);
      check(orvane_h26x_msgs__msg__Image__Sequence__init(&message.images, moment.units.size()), "images");
    }
    for (std::size_t k = 0; k < moment.units.size(); ++k) {
      set_image(message.images.data[k], moment.units[k]);
    }
    return;
  }
  auto & message = *record_->several;
  set_header(message.header, moment.stamp_ns, moment.frame_id.empty() ? "rig" : moment.frame_id);
  if (message.h26x_images.size != moment.units.size()) {
    orvane_h26x_msgs__msg__MultiImage__Sequence__fini(&message.h26x_images);
    check(orvane_h26x_msgs__msg__MultiImage__Sequence__init(&message.h26x_images, moment.units.size()), "streams");
    for (std::size_t k = 0; k < moment.units.size(); ++k) {
      auto & image = message.h26x_images.data[k];
      check(std_msgs__msg__Header__Sequence__init(&image.header, 1), "header");
      check(rosidl_runtime_c__String__Sequence__init(&image.topic_name, 1), "topic_name");
      set_string(image.topic_name.data[0], "/camera" + std::to_string(k), "topic");
      check(rosidl_runtime_c__uint8__Sequence__init(&image.is_vaild, 1), "is_vaild");
    }
  }
  for (std::size_t k = 0; k < moment.units.size(); ++k) {
    auto & image = message.h26x_images.data[k];
    set_header(image.header.data[0], moment.stamp_ns, moment.frame_id.empty() ? "camera" : moment.frame_id);
    image.is_vaild.data[0] = moment.units[k].present;
    set_image(image, moment.units[k]);
  }
  if (message.original_images.size != moment.originals.size()) {
    orvane_h26x_msgs__msg__OriginalImage__Sequence__fini(&message.original_images);
    check(orvane_h26x_msgs__msg__OriginalImage__Sequence__init(&message.original_images, moment.originals.size()),
      "originals");
    for (std::size_t k = 0; k < moment.originals.size(); ++k) {
      auto & original = message.original_images.data[k];
      check(rosidl_runtime_c__String__Sequence__init(&original.topic_name, 1), "topic_name");
      set_string(original.topic_name.data[0], "/camera" + std::to_string(k) + "/raw", "topic");
      check(rosidl_runtime_c__uint8__Sequence__init(&original.is_valid, 1), "is_valid");
    }
  }
  for (std::size_t k = 0; k < moment.originals.size(); ++k) {
    auto & original = message.original_images.data[k];
    original.is_valid.data[0] = moment.originals[k].present;
    set_image(original, moment.originals[k]);
  }
}

void DdsSink::send(const char * what)
{
  const bool written = session_->write(record_->message(), [] {return !stream::stop_requested;});
  record_->lend_nothing();
  if (!written) {
    failed_ = true;
    error_ = std::string("cannot write ") + what;
  }
}

void DdsSink::write(const stream::Moment & moment)
{
  if (failed_ || marker_sent_) {
    return;
  }
  try {
    fill(moment);
  } catch (const std::exception & error) {
    record_->lend_nothing();
    failed_ = true;
    error_ = error.what();
    return;
  }
  if (frames_ == 0) {
    first_write_ = std::chrono::steady_clock::now();
  }
  if (moment.end_of_stream) {
    send("the end-of-stream marker");
    marker_sent_ = true;
    return;
  }
  send(("frame " + std::to_string(frames_)).c_str());
  if (failed_) {
    return;
  }
  if (settings_.stamp_delay) {
    const int64_t now = stream::now_ns();
    delays_.push_back((now - moment.stamp_ns) * 1e-9);
    if (moment.received_ns > 0) {
      arrival_delays_.push_back((now - moment.received_ns) * 1e-9);
    }
  }
  sent_.resize(std::max(sent_.size(), moment.units.size()));
  for (std::size_t k = 0; k < moment.units.size(); ++k) {
    sent_[k] += moment.units[k].present;
    bytes_ += moment.units[k].present ? moment.units[k].data.size() : 0;
  }
  if (++frames_ % 25 == 0) {
    std::fprintf(stderr, "%s: %llu frames sent\n", stream::program(), static_cast<unsigned long long>(frames_));
  }
}

void DdsSink::finish()
{
  if (!failed_ && !marker_sent_) {
    // The marker: no frame data, the count of frames sent in each stream.
    stream::Moment marker;
    marker.stamp_ns = stream::now_ns();
    marker.frame_id = stream::kEndOfStream;
    marker.end_of_stream = true;
    marker.units.resize(std::max<std::size_t>(1, sent_.size()));
    for (std::size_t k = 0; k < marker.units.size(); ++k) {
      marker.units[k].count = k < sent_.size() ? sent_[k] : 0;
      marker.units[k].present = false;
    }
    write(marker);
  }
  acknowledged_ = session_->finish(settings_.finish_wait);
  finished_ = std::chrono::steady_clock::now();
}

bool DdsSink::report() const
{
  if (failed_) {
    std::fprintf(stderr, "%s: %s; %llu frames had been sent\n", stream::program(), error_.c_str(),
      static_cast<unsigned long long>(frames_));
    return false;
  }
  if (!acknowledged_) {
    std::fprintf(stderr, "%s: a reader had not acknowledged the end of the stream after %.0f s (stopped, dead or "
      "too slow): it was left behind\n", stream::program(), settings_.finish_wait.count() / 1e3);
  }
  const double seconds = frames_ ? std::chrono::duration<double>(finished_ - first_write_).count() : 0;
  std::fprintf(stderr, "%s: %llu frames, %llu bytes in %.3f s: %.1f frames/s, %.2f MB/s\n", stream::program(),
    static_cast<unsigned long long>(frames_), static_cast<unsigned long long>(bytes_), seconds,
    seconds > 0 ? frames_ / seconds : 0.0, seconds > 0 ? bytes_ / seconds / 1e6 : 0.0);
  if (!delays_.empty()) {
    std::fprintf(stderr, "%s: delay from the source's stamp to the write, ms: p50 %.1f p99 %.1f max %.1f\n",
      stream::program(), 1e3 * percentile(delays_, 0.5), 1e3 * percentile(delays_, 0.99),
      1e3 * percentile(delays_, 1.0));
  }
  if (!arrival_delays_.empty()) {
    std::fprintf(stderr, "%s: delay from the frame's arrival here to the write, ms: p50 %.2f p99 %.2f max %.2f\n",
      stream::program(), 1e3 * percentile(arrival_delays_, 0.5), 1e3 * percentile(arrival_delays_, 0.99),
      1e3 * percentile(arrival_delays_, 1.0));
  }
  return frames_ > 0;
}

}  // namespace sinks
