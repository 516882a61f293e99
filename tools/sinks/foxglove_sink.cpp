#include "sinks/foxglove_sink.hpp"

#include <cstdio>

#include "foreign/foreign_types.hpp"

namespace sinks
{

FoxgloveSink::FoxgloveSink(const std::string & topic, int domain, orvane_dds::Transport transport)
: session_(std::make_unique<orvane_dds::Session>(
      foreign::type_support<foreign::CompressedVideo>(), foreign::factory<foreign::CompressedVideo>(), topic, domain,
      transport)),
  message_(std::make_unique<foreign::CompressedVideo>())
{
  session_->writer();
}

FoxgloveSink::~FoxgloveSink() = default;

void FoxgloveSink::write(const stream::Moment & moment)
{
  if (moment.end_of_stream || moment.units.empty() || !moment.units[0].present || moment.units[0].data.empty()) {
    return;
  }
  const stream::Unit & unit = moment.units[0];
  const std::optional<annexb::Codec> codec = stream::video_codec(unit.encoding);
  if (!codec) {
    if (not_video_++ == 0) {
      stream::note("units of encoding '" + unit.encoding + "' are not H.264 / H.265: not sent to Foxglove");
    }
    return;
  }
  if (codec_ != codec) {  // the first unit, or a stream that changed codec
    codec_ = codec;
    order_ = std::make_unique<media::PictureOrder>(*codec);
    sets_ = std::make_unique<annexb::ParameterSetKeeper>(*codec);
    waiting_for_key_ = true;
  }
  if (sent_ + skipped_ > 0 && unit.count > next_count_) {
    waiting_for_key_ = true;  // frames were lost: the next whole picture is a key frame's
  }
  next_count_ = unit.count + 1;

  // Parsed only until the first B-frame is found: it is said once.
  if (!said_b_frames_ && order_->parse(unit.data.data(), unit.data.size()).bidirectional) {
    said_b_frames_ = true;
    stream::note("the stream has B-frames, which Foxglove does not reorder: sent as they are, in decoding order");
  }
  foreign::CompressedVideo & video = *message_;
  video.data = unit.data;
  const bool key = sets_->complete(video.data);  // a player may start at any key frame
  if (waiting_for_key_ && !key) {
    ++skipped_;
    return;
  }
  waiting_for_key_ = false;
  video.timestamp.sec = static_cast<int32_t>(moment.stamp_ns / 1000000000);
  video.timestamp.nanosec = static_cast<uint32_t>(moment.stamp_ns % 1000000000);
  video.frame_id = moment.frame_id;
  video.format = annexb::codec_name(*codec);
  sent_ += session_->write(&video, [] {return false;});
}

void FoxgloveSink::finish()
{
  session_->finish(std::chrono::seconds(10));
}

bool FoxgloveSink::report() const
{
  std::printf("%s: %llu units sent as foxglove_msgs/CompressedVideo, %llu skipped on the way to a key frame\n",
    stream::program(), static_cast<unsigned long long>(sent_), static_cast<unsigned long long>(skipped_));
  std::fflush(stdout);
  if (sent_ == 0) {
    stream::note("no unit was sent to Foxglove");
  }
  return sent_ > 0;
}

}  // namespace sinks
