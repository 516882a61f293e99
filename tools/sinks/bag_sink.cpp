#include "sinks/bag_sink.hpp"

#include <algorithm>
#include <cstdio>

namespace sinks
{

BagSink::BagSink(const bag::BagWriter::Options & options, OfferedQos offered_qos)
: writer_(std::make_unique<bag::BagWriter>(options)), offered_qos_(std::move(offered_qos))
{
}

void BagSink::fail(const std::string & error)
{
  error_ = error;
  stream::note(error);
}

void BagSink::write(const stream::Moment & moment)
{
  if (!error_.empty()) {
    return;
  }
  if (!moment.serialized) {
    fail("a bag stores messages as they came; this one came with no CDR bytes");
    return;
  }
  try {
    if (!writer_->has_topic(moment.topic)) {
      writer_->add_topic(moment.topic, moment.type, offered_qos_ ? offered_qos_(moment.topic) : "");
    }
    const uint64_t time = static_cast<uint64_t>(moment.received_ns ? moment.received_ns : stream::now_ns());
    // A new file starts where each of the message's streams has a key frame.
    const bool starts = std::all_of(moment.units.begin(), moment.units.end(),
        [](const stream::Unit & unit) {return !unit.present || unit.data.empty() || stream::is_key(unit);});
    writer_->write(moment.topic, time, time, moment.serialized->data(), moment.serialized->size(), starts);
    ++messages_;
  } catch (const std::exception & error) {
    fail(error.what());
  }
}

void BagSink::tick()
{
  try {
    if (error_.empty()) {
      writer_->flush_if_old();
    }
  } catch (const std::exception & error) {
    fail(error.what());
  }
}

void BagSink::finish()
{
  try {
    writer_->close();
  } catch (const std::exception & error) {
    if (error_.empty()) {
      fail(error.what());
    }
  }
}

bool BagSink::report() const
{
  if (!error_.empty()) {
    stream::note(writer_->folder() + " failed; its files end on their last whole chunk (h26x_view --input " +
      writer_->folder() + " --list reads what they hold)");
    return false;
  }
  std::fprintf(stderr, "recorded %s: %llu messages, %llu bytes in %zu files\n", writer_->folder().c_str(),
    static_cast<unsigned long long>(messages_), static_cast<unsigned long long>(writer_->bytes()), writer_->files());
  if (messages_ == 0) {
    stream::note(writer_->folder() + ": nothing recorded");
  }
  return messages_ > 0;
}

}  // namespace sinks
