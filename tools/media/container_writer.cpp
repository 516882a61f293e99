#include "media/container_writer.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "media/av.hpp"

namespace media
{
using av::check;
using av::check_allocated;
using av::kNanoseconds;

namespace
{
constexpr int kIoBuffer = 1 << 16;

bool ends_with(const std::string & text, const std::string & end)
{
  if (text.size() < end.size()) {
    return false;
  }
  std::string tail = text.substr(text.size() - end.size());
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) {return std::tolower(c);});
  return tail == end;
}
}  // namespace

std::optional<Container> container_for(const std::string & path)
{
  if (ends_with(path, ".mp4") || ends_with(path, ".m4v") || ends_with(path, ".mov")) {
    return Container::MP4;
  }
  if (ends_with(path, ".mkv")) {
    return Container::MATROSKA;
  }
  return std::nullopt;
}

// The muxer's bytes go to the sink; a failure is kept for the error line.
int write_to_sink(void * opaque, uint8_t * data, int size)
{
  auto * writer = static_cast<ContainerWriter *>(opaque);
  try {
    writer->sink_.write(data, static_cast<std::size_t>(size));
    return size;
  } catch (const stream::OutputError & error) {
    writer->sink_error_ = error.what();
    return AVERROR(EIO);
  }
}

int64_t seek_in_sink(void * opaque, int64_t offset, int whence)
{
  auto * writer = static_cast<ContainerWriter *>(opaque);
  stream::ByteSink & sink = writer->sink_;
  const int64_t base = (whence & ~AVSEEK_FORCE) == SEEK_CUR ? static_cast<int64_t>(sink.position()) :
    (whence & ~AVSEEK_FORCE) == SEEK_END ? static_cast<int64_t>(sink.size()) : 0;
  if (whence == AVSEEK_SIZE) {
    return static_cast<int64_t>(sink.size());
  }
  try {
    sink.seek(static_cast<uint64_t>(base + offset));
    return base + offset;
  } catch (const stream::OutputError & error) {
    writer->sink_error_ = error.what();
    return AVERROR(EIO);
  }
}

ContainerWriter::ContainerWriter(stream::ByteSink & sink, Container container, annexb::Codec codec)
: sink_(sink), container_(container), codec_(codec), order_(codec)
{
}

ContainerWriter::~ContainerWriter()
{
  try {
    close();
  } catch (const Error &) {
  }
  if (io_) {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
}

void ContainerWriter::check_sink(int code, const std::string & what)
{
  if (code >= 0 && io_->error >= 0) {
    return;
  }
  failed_ = true;
  throw Error(!sink_error_.empty() ? sink_error_ : what + " " + sink_.name() + ": " +
          av::describe(code < 0 ? code : io_->error));
}

void ContainerWriter::open(const uint8_t * data, std::size_t size, const PictureOrder::Unit & unit)
{
  const bool mp4 = container_ == Container::MP4;
  AVFormatContext * format = nullptr;
  check(avformat_alloc_output_context2(&format, nullptr, mp4 ? "mp4" : "matroska", nullptr),
    "cannot make a container for " + sink_.name());
  format_.reset(format);
  AVStream * stream = check_allocated(avformat_new_stream(format, nullptr), "a stream");
  AVCodecParameters * parameters = stream->codecpar;
  parameters->codec_type = AVMEDIA_TYPE_VIDEO;
  parameters->codec_id = av::codec_id(codec_);
  if (mp4 && codec_ == annexb::Codec::H265) {
    parameters->codec_tag = MKTAG('h', 'v', 'c', '1');  // parameter sets in the sample entry, as Apple's players want
  }
  parameters->width = unit.width;
  parameters->height = unit.height;
  // The parameter sets of the first key frame, in Annex-B form: both muxers
  // turn them (and every unit) into the length-prefixed form they store.
  const std::vector<uint8_t> sets = annexb::parameter_sets(data, size, codec_);
  parameters->extradata = static_cast<uint8_t *>(check_allocated(
      av_mallocz(sets.size() + AV_INPUT_BUFFER_PADDING_SIZE), "extradata"));
  std::memcpy(parameters->extradata, sets.data(), sets.size());
  parameters->extradata_size = static_cast<int>(sets.size());
  stream->time_base = AVRational{1, 90000};

  const double rate = annexb::find_frame_rate(data, size, codec_);
  if (rate > 0 && rate <= 1000) {
    frame_interval_ = static_cast<int64_t>(1e9 / rate);
    stream->avg_frame_rate = av_d2q(rate, 100000);
  }
  // The reorder delay: how many pictures a decoder holds back, from the
  // stream's parameter sets.
  Decoder probe(codec_, 1);
  probe.decode(data, size, 0, [](const AVFrame &) {});
  delay_ticks_ = av_rescale_q(probe.reorder_delay() * frame_interval_, kNanoseconds, stream->time_base);

  auto * buffer = static_cast<unsigned char *>(check_allocated(av_malloc(kIoBuffer), "an output buffer"));
  io_ = avio_alloc_context(buffer, kIoBuffer, 1, this, nullptr, write_to_sink,
      sink_.seekable() ? seek_in_sink : nullptr);
  if (!io_) {
    av_free(buffer);
    throw Error("out of memory for an output");
  }
  io_->seekable = sink_.seekable() ? AVIO_SEEKABLE_NORMAL : 0;
  format->pb = io_;
  format->flags |= AVFMT_FLAG_CUSTOM_IO;
  AVDictionary * options = nullptr;
  if (mp4) {
    // Fragmented, a fragment per unit, so that the output is whole at every
    // moment; negative composition offsets let the first picture be shown
    // at 0 while B-frames are decoded before they are shown.
    av_dict_set(&options, "movflags", "empty_moov+delay_moov+default_base_moof+frag_custom", 0);
  }
  const int written = avformat_write_header(format, &options);
  av_dict_free(&options);
  check_sink(written, "cannot start");
  avio_flush(io_);
  check_sink(0, "cannot start");
  committed_ = sink_.position();
}

void ContainerWriter::write(const uint8_t * data, std::size_t size, int64_t decode_time_ns)
{
  if (failed_) {
    return;
  }
  const PictureOrder::Unit unit = order_.parse(data, size);
  if (!format_) {
    if (!unit.key || annexb::parameter_sets(data, size, codec_).empty()) {
      ++skipped_;  // nothing before the first key frame can be decoded
      return;
    }
    open(data, size, unit);
    start_ = decode_time_ns;
  }
  const int64_t time = decode_time_ns - start_;
  if (last_decode_ >= 0) {
    ++intervals_;
    frame_interval_ = std::max<int64_t>(1, (time - first_decode_) / intervals_);
  } else {
    first_decode_ = time;
  }
  last_decode_ = time;
  // From here on times are the container's ticks. Decode times only grow, as
  // muxers require, even where stamps are closer than a tick (a burst).
  const int64_t tick = std::max(av_rescale_q(time, kNanoseconds, format_->streams[0]->time_base), last_tick_ + 1);
  last_tick_ = tick;
  if (unit.key) {
    release(true, tick);
    group_decode_times_.clear();
    group_orders_.clear();
  }
  group_decode_times_.push_back(tick);
  group_orders_.push_back(unit.order);
  Owned<AVPacket> packet(check_allocated(av_packet_alloc(), "a packet"));
  check(av_new_packet(packet.get(), static_cast<int>(size)), "a packet");
  std::memcpy(packet->data, data, size);
  waiting_.push_back({std::move(packet), tick, unit.order, unit.key});
  release(false, -1);
}

void ContainerWriter::end_group()
{
  if (format_ && !failed_) {
    release(true, -1);
  }
}

// Writes the waiting units, in decode order, whose place in display order is
// settled: every unit shown before them has arrived (picture order counts
// step by 2 in H.264 and 1 in H.265). With `all`, the group is complete. A
// unit also waits for the next one's decode time, which ends its duration
// (`next_time`: the decode tick of the unit after the last, -1 if unknown).
void ContainerWriter::release(bool all, int64_t next_time)
{
  const int step = codec_ == annexb::Codec::H264 ? 2 : 1;
  while (!waiting_.empty()) {
    const Waiting & unit = waiting_.front();
    const int base = *std::min_element(group_orders_.begin(), group_orders_.end());
    const auto shown_before = static_cast<std::size_t>(std::count_if(
        group_orders_.begin(), group_orders_.end(), [&unit](int order) {return order < unit.order;}));
    const bool settled = all || waiting_.size() > 32 ||
      (shown_before * step >= static_cast<std::size_t>(unit.order - base) && waiting_.size() > 1);
    if (!settled) {
      return;
    }
    const std::size_t rank = std::min(shown_before, group_decode_times_.size() - 1);
    const AVRational time_base = format_->streams[0]->time_base;
    const int64_t end = waiting_.size() > 1 ? waiting_[1].decode_time :
      next_time >= 0 ? next_time : unit.decode_time + av_rescale_q(frame_interval_, kNanoseconds, time_base);
    // Shown at the decode time of its rank; decoded the reorder delay before
    // its own decode time, so that no picture is shown before it is decoded.
    const int64_t presentation = std::max(group_decode_times_[rank], unit.decode_time - delay_ticks_);
    Waiting taken = std::move(waiting_.front());
    waiting_.pop_front();  // a unit the muxer refuses is not offered again
    mux(taken, presentation, end);
  }
}

void ContainerWriter::mux(Waiting & unit, int64_t presentation_time, int64_t end_time)
{
  AVPacket * packet = unit.packet.get();
  packet->dts = unit.decode_time - delay_ticks_;
  packet->pts = presentation_time;
  // Durations add up to the next decode time exactly.
  packet->duration = std::max<int64_t>(1, end_time - unit.decode_time);
  packet->flags = unit.key ? AV_PKT_FLAG_KEY : 0;
  packet->stream_index = 0;
  check_sink(av_write_frame(format_.get(), packet), "cannot write to");
  check_sink(av_write_frame(format_.get(), nullptr), "cannot write to");  // end the fragment or cluster
  avio_flush(io_);
  check_sink(0, "cannot write to");
  committed_ = sink_.position();
  ++units_;
}

void ContainerWriter::close()
{
  if (!format_) {
    return;
  }
  std::string failure;  // reported once the trailer had its chance
  if (!failed_) {
    try {
      release(true, -1);
    } catch (const Error & error) {
      failure = error.what();
    }
  }
  if (!failed_) {
    const int ended = av_write_trailer(format_.get());
    avio_flush(io_);
    if ((ended < 0 || io_->error < 0) && failure.empty()) {
      failure = !sink_error_.empty() ? sink_error_ :
        "cannot finish " + sink_.name() + ": " + av::describe(ended < 0 ? ended : io_->error);
    }
  }
  format_.reset();
  if (!failure.empty()) {
    failed_ = true;
    throw Error(failure);
  }
}

}  // namespace media
