#include "media/media.hpp"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace media
{
namespace
{

std::string describe(int code)
{
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof(text));
  return text;
}

int check(int code, const std::string & what)
{
  if (code < 0) {
    throw Error(what + ": " + describe(code));
  }
  return code;
}

template<class T>
T * check_allocated(T * object, const char * what)
{
  if (!object) {
    throw Error(std::string("out of memory for ") + what);
  }
  return object;
}

AVCodecID codec_id(annexb::Codec codec)
{
  return codec == annexb::Codec::H264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_HEVC;
}

bool ends_with(const std::string & text, const std::string & end)
{
  if (text.size() < end.size()) {
    return false;
  }
  std::string tail = text.substr(text.size() - end.size());
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) {return std::tolower(c);});
  return tail == end;
}

const AVRational kNanoseconds{1, 1000000000};

}  // namespace

void Deleter::operator()(AVCodecContext * context) const {avcodec_free_context(&context);}
void Deleter::operator()(AVCodecParserContext * parser) const {av_parser_close(parser);}
void Deleter::operator()(AVFrame * frame) const {av_frame_free(&frame);}
void Deleter::operator()(AVPacket * packet) const {av_packet_free(&packet);}
void Deleter::operator()(AVBSFContext * filter) const {av_bsf_free(&filter);}
void Deleter::operator()(SwsContext * scaler) const {sws_freeContext(scaler);}

bool is_container(const std::string & path)
{
  return ends_with(path, ".mp4") || ends_with(path, ".mkv");
}

// ---- picture order ----

PictureOrder::PictureOrder(annexb::Codec codec)
: context_(check_allocated(avcodec_alloc_context3(nullptr), "a parser")),
  parser_(check_allocated(av_parser_init(codec_id(codec)), "a parser"))
{
  // Whole access units come in: no need to wait for the next one's start.
  parser_->flags |= PARSER_FLAG_COMPLETE_FRAMES;
}

PictureOrder::Unit PictureOrder::parse(const uint8_t * data, std::size_t size)
{
  uint8_t * out = nullptr;
  int out_size = 0;
  av_parser_parse2(
    parser_.get(), context_.get(), &out, &out_size, data, static_cast<int>(size), AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
  Unit unit;
  unit.key = parser_->key_frame == 1;
  unit.order = parser_->output_picture_number;
  unit.width = parser_->width;
  unit.height = parser_->height;
  return unit;
}

// ---- container writing ----

ContainerWriter::ContainerWriter(std::string path, annexb::Codec codec)
: path_(std::move(path)), codec_(codec), order_(codec)
{
}

ContainerWriter::~ContainerWriter()
{
  try {
    close();
  } catch (const Error &) {
  }
}

void ContainerWriter::open(const uint8_t * data, std::size_t size, const PictureOrder::Unit & unit)
{
  const bool mp4 = ends_with(path_, ".mp4");
  check(avformat_alloc_output_context2(&format_, nullptr, mp4 ? "mp4" : "matroska", path_.c_str()),
    "cannot make a container for " + path_);
  AVStream * stream = check_allocated(avformat_new_stream(format_, nullptr), "a stream");
  AVCodecParameters * parameters = stream->codecpar;
  parameters->codec_type = AVMEDIA_TYPE_VIDEO;
  parameters->codec_id = codec_id(codec_);
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
  delay_ = probe.reorder_delay() * frame_interval_;

  check(avio_open(&format_->pb, path_.c_str(), AVIO_FLAG_WRITE), "cannot write " + path_);
  AVDictionary * options = nullptr;
  if (mp4) {
    // Fragmented, a fragment per unit, so that the file is whole at every moment.
    av_dict_set(&options, "movflags", "empty_moov+default_base_moof+frag_custom", 0);
  }
  const int written = avformat_write_header(format_, &options);
  av_dict_free(&options);
  check(written, "cannot start " + path_);
  open_ = true;
}

void ContainerWriter::write(const uint8_t * data, std::size_t size, int64_t decode_time_ns)
{
  const PictureOrder::Unit unit = order_.parse(data, size);
  if (!open_) {
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
    const int64_t presentation = std::max(
      group_decode_times_[rank] + av_rescale_q(delay_, kNanoseconds, time_base), unit.decode_time);
    Waiting taken = std::move(waiting_.front());
    waiting_.pop_front();  // a unit the muxer refuses is not offered again
    mux(taken, presentation, end);
  }
}

void ContainerWriter::mux(Waiting & unit, int64_t presentation_time, int64_t end_time)
{
  AVPacket * packet = unit.packet.get();
  packet->dts = unit.decode_time;
  packet->pts = presentation_time;
  // Durations add up to the next decode time exactly.
  packet->duration = std::max<int64_t>(1, end_time - unit.decode_time);
  packet->flags = unit.key ? AV_PKT_FLAG_KEY : 0;
  packet->stream_index = 0;
  check(av_write_frame(format_, packet), "cannot write to " + path_);
  check(av_write_frame(format_, nullptr), "cannot write to " + path_);  // end the fragment or cluster
  avio_flush(format_->pb);
}

void ContainerWriter::close()
{
  if (!format_) {
    return;
  }
  AVFormatContext * format = format_;
  std::string failure;  // reported once the file is closed and freed
  if (open_) {
    try {
      release(true, -1);
    } catch (const Error & error) {
      failure = error.what();
    }
  }
  format_ = nullptr;
  const int ended = open_ ? av_write_trailer(format) : 0;
  if (format->pb) {
    avio_closep(&format->pb);
  }
  avformat_free_context(format);
  if (!failure.empty()) {
    throw Error(failure);
  }
  check(ended, "cannot finish " + path_);
}

// ---- recordings ----

Recording::Recording(const std::string & path)
{
  if (!is_container(path)) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      throw Error("cannot read " + path);
    }
    raw_.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    codec_ = annexb::guess_codec(path, raw_);
    units_ = annexb::split_access_units(raw_, codec_);
    frame_rate_ = annexb::find_frame_rate(raw_.data(), raw_.size(), codec_);
    size_hint_ = units_.size();
    return;
  }
  check(avformat_open_input(&format_, path.c_str(), nullptr, nullptr), "cannot open " + path);
  check(avformat_find_stream_info(format_, nullptr), "cannot read the streams of " + path);
  stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  AVStream * stream = stream_ >= 0 ? format_->streams[stream_] : nullptr;
  if (!stream || (stream->codecpar->codec_id != AV_CODEC_ID_H264 && stream->codecpar->codec_id != AV_CODEC_ID_HEVC)) {
    avformat_close_input(&format_);
    throw Error(path + " has no H.264 or H.265 stream");
  }
  codec_ = stream->codecpar->codec_id == AV_CODEC_ID_H264 ? annexb::Codec::H264 : annexb::Codec::H265;
  frame_rate_ = stream->avg_frame_rate.num > 0 ? av_q2d(stream->avg_frame_rate) : 0;
  size_hint_ = stream->nb_frames > 0 ? static_cast<std::size_t>(stream->nb_frames) : 0;
  const AVBitStreamFilter * filter = av_bsf_get_by_name(
    codec_ == annexb::Codec::H264 ? "h264_mp4toannexb" : "hevc_mp4toannexb");
  AVBSFContext * context = nullptr;
  check(av_bsf_alloc(filter, &context), "no Annex-B filter");
  to_annexb_.reset(context);
  check(avcodec_parameters_copy(context->par_in, stream->codecpar), "Annex-B filter");
  context->time_base_in = stream->time_base;
  check(av_bsf_init(context), "Annex-B filter");
  packet_.reset(check_allocated(av_packet_alloc(), "a packet"));
}

Recording::~Recording()
{
  if (format_) {
    avformat_close_input(&format_);
  }
}

bool Recording::next(std::vector<uint8_t> & unit, int64_t & presentation_time_ns)
{
  if (!format_) {
    if (next_unit_ >= units_.size()) {
      return false;
    }
    const annexb::AccessUnit & found = units_[next_unit_];
    unit.assign(raw_.begin() + found.offset, raw_.begin() + found.offset + found.size);
    presentation_time_ns = frame_rate_ > 0 ? static_cast<int64_t>(next_unit_ * 1e9 / frame_rate_) : AV_NOPTS_VALUE;
    ++next_unit_;
    return true;
  }
  while (true) {
    const int received = av_bsf_receive_packet(to_annexb_.get(), packet_.get());
    if (received == 0) {
      unit.assign(packet_->data, packet_->data + packet_->size);
      presentation_time_ns = packet_->pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE :
        av_rescale_q(packet_->pts, format_->streams[stream_]->time_base, kNanoseconds);
      av_packet_unref(packet_.get());
      return true;
    }
    if (received != AVERROR(EAGAIN) || draining_) {
      return false;
    }
    const int read = av_read_frame(format_, packet_.get());
    if (read < 0) {
      draining_ = true;
      check(av_bsf_send_packet(to_annexb_.get(), nullptr), "Annex-B filter");
      continue;
    }
    if (packet_->stream_index != stream_) {
      av_packet_unref(packet_.get());
      continue;
    }
    check(av_bsf_send_packet(to_annexb_.get(), packet_.get()), "Annex-B filter");
  }
}

// ---- decoding ----

Decoder::Decoder(annexb::Codec codec, int threads, bool low_delay)
: order_(codec)
{
  const AVCodec * decoder = avcodec_find_decoder(codec_id(codec));
  if (!decoder) {
    throw Error(std::string("libavcodec has no ") + annexb::codec_name(codec) + " decoder");
  }
  context_.reset(check_allocated(avcodec_alloc_context3(decoder), "a decoder"));
  // Damage is reported, not concealed: the frame that has it is dropped and counted.
  context_->err_recognition = AV_EF_CRCCHECK | AV_EF_BITSTREAM | AV_EF_EXPLODE;
  context_->thread_count = threads;
  if (low_delay) {
    context_->thread_type = FF_THREAD_SLICE;
    context_->flags |= AV_CODEC_FLAG_LOW_DELAY;
  }
  check(avcodec_open2(context_.get(), decoder, nullptr), "cannot open the decoder");
  packet_.reset(check_allocated(av_packet_alloc(), "a packet"));
  frame_.reset(check_allocated(av_frame_alloc(), "a frame"));
}

int Decoder::reorder_delay() const
{
  return context_->has_b_frames;
}

void Decoder::decode(const uint8_t * data, std::size_t size, int64_t pts, const Sink & sink)
{
  // Only after damage does a unit need parsing here: the decoder parses it anyway.
  if (waiting_for_key_ && !order_.parse(data, size).key) {
    ++skipped_;
    return;
  }
  waiting_for_key_ = false;
  check(av_new_packet(packet_.get(), static_cast<int>(size)), "a packet");
  std::memcpy(packet_->data, data, size);
  packet_->pts = pts;
  const int sent = avcodec_send_packet(context_.get(), packet_.get());
  av_packet_unref(packet_.get());
  if (sent < 0 && sent != AVERROR(EAGAIN)) {
    ++errors_;
    waiting_for_key_ = true;
    avcodec_flush_buffers(context_.get());
    return;
  }
  receive(sink);
}

void Decoder::finish(const Sink & sink)
{
  if (avcodec_send_packet(context_.get(), nullptr) == 0) {
    receive(sink);
  }
}

void Decoder::receive(const Sink & sink)
{
  while (true) {
    const int received = avcodec_receive_frame(context_.get(), frame_.get());
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
      return;
    }
    if (received < 0) {
      ++errors_;
      waiting_for_key_ = true;
      avcodec_flush_buffers(context_.get());
      return;
    }
    if ((frame_->flags & AV_FRAME_FLAG_CORRUPT) || frame_->decode_error_flags) {
      ++errors_;
    } else {
      ++frames_;
      sink(*frame_);
    }
    av_frame_unref(frame_.get());
  }
}

// ---- encoding ----

Encoder::Encoder(const Settings & settings)
{
  const char * name = settings.codec == annexb::Codec::H264 ? "libx264" : "libx265";
  const AVCodec * encoder = avcodec_find_encoder_by_name(name);
  if (!encoder) {
    throw Error(std::string("libavcodec has no ") + name + " encoder");
  }
  context_.reset(check_allocated(avcodec_alloc_context3(encoder), "an encoder"));
  AVCodecContext & context = *context_;
  context.width = settings.width;
  context.height = settings.height;
  context.pix_fmt = AV_PIX_FMT_YUV420P;
  context.time_base = av_inv_q(av_d2q(settings.fps, 100000));
  context.framerate = av_d2q(settings.fps, 100000);
  context.gop_size = settings.gop;
  context.max_b_frames = 0;
  if (settings.bitrate > 0) {
    context.bit_rate = settings.bitrate;
  }
  av_opt_set(context.priv_data, "preset", "veryfast", 0);
  av_opt_set(context.priv_data, "tune", "zerolatency", 0);
  if (settings.codec == annexb::Codec::H264) {
    // Parameter sets with every key frame, so a recording may start at any.
    av_opt_set(context.priv_data, "x264-params", "repeat-headers=1:annexb=1", 0);
  } else {
    av_opt_set(context.priv_data, "x265-params", "repeat-headers=1:annexb=1:log-level=error", 0);
  }
  check(avcodec_open2(context_.get(), encoder, nullptr), std::string("cannot open ") + name);
  frame_.reset(check_allocated(av_frame_alloc(), "a frame"));
  frame_->format = AV_PIX_FMT_YUV420P;
  frame_->width = settings.width;
  frame_->height = settings.height;
  check(av_frame_get_buffer(frame_.get(), 0), "a picture");
  packet_.reset(check_allocated(av_packet_alloc(), "a packet"));
}

void Encoder::encode(const Sink & sink)
{
  frame_->pts = next_pts_++;
  check(avcodec_send_frame(context_.get(), frame_.get()), "cannot encode");
  receive(sink);
  check(av_frame_make_writable(frame_.get()), "a picture");
}

void Encoder::finish(const Sink & sink)
{
  check(avcodec_send_frame(context_.get(), nullptr), "cannot finish encoding");
  receive(sink);
}

void Encoder::receive(const Sink & sink)
{
  while (true) {
    const int received = avcodec_receive_packet(context_.get(), packet_.get());
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
      return;
    }
    check(received, "cannot encode");
    sink(packet_->data, static_cast<std::size_t>(packet_->size), packet_->flags & AV_PKT_FLAG_KEY);
    av_packet_unref(packet_.get());
  }
}

// ---- pictures ----

Picture Scaler::to_rgb(const AVFrame & frame, int width, int height)
{
  Picture picture(width > 0 ? width : frame.width, height > 0 ? height : frame.height);
  context_.reset(sws_getCachedContext(
      context_.release(), frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
      picture.width, picture.height, AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr));
  check_allocated(context_.get(), "a scaler");
  uint8_t * planes[1] = {picture.rgb.data()};
  const int strides[1] = {3 * picture.width};
  sws_scale(context_.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
  return picture;
}

void Scaler::from_rgb(const Picture & picture, AVFrame & yuv420)
{
  context_.reset(sws_getCachedContext(
      context_.release(), picture.width, picture.height, AV_PIX_FMT_RGB24,
      yuv420.width, yuv420.height, AV_PIX_FMT_YUV420P, SWS_AREA, nullptr, nullptr, nullptr));
  check_allocated(context_.get(), "a scaler");
  const uint8_t * planes[1] = {picture.rgb.data()};
  const int strides[1] = {3 * picture.width};
  sws_scale(context_.get(), planes, strides, 0, picture.height, yuv420.data, yuv420.linesize);
}

void write_png(const std::string & path, const Picture & picture)
{
  const AVCodec * png = avcodec_find_encoder(AV_CODEC_ID_PNG);
  Owned<AVCodecContext> context(check_allocated(avcodec_alloc_context3(png), "a PNG encoder"));
  context->width = picture.width;
  context->height = picture.height;
  context->pix_fmt = AV_PIX_FMT_RGB24;
  context->time_base = AVRational{1, 1};
  check(avcodec_open2(context.get(), png, nullptr), "cannot open the PNG encoder");
  Owned<AVFrame> frame(check_allocated(av_frame_alloc(), "a frame"));
  frame->format = AV_PIX_FMT_RGB24;
  frame->width = picture.width;
  frame->height = picture.height;
  check(av_frame_get_buffer(frame.get(), 0), "a picture");
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(frame->data[0] + y * frame->linesize[0], picture.rgb.data() + std::size_t(3) * picture.width * y,
      std::size_t(3) * picture.width);
  }
  check(avcodec_send_frame(context.get(), frame.get()), "cannot encode " + path);
  Owned<AVPacket> packet(check_allocated(av_packet_alloc(), "a packet"));
  check(avcodec_receive_packet(context.get(), packet.get()), "cannot encode " + path);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char *>(packet->data), packet->size);
  if (!file.flush()) {
    throw Error("cannot write " + path);
  }
}

Picture read_png(const std::string & path)
{
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.empty()) {
    throw Error("cannot read " + path);
  }
  const AVCodec * png = avcodec_find_decoder(AV_CODEC_ID_PNG);
  Owned<AVCodecContext> context(check_allocated(avcodec_alloc_context3(png), "a PNG decoder"));
  check(avcodec_open2(context.get(), png, nullptr), "cannot open the PNG decoder");
  Owned<AVPacket> packet(check_allocated(av_packet_alloc(), "a packet"));
  check(av_new_packet(packet.get(), static_cast<int>(bytes.size())), "a packet");
  std::memcpy(packet->data, bytes.data(), bytes.size());
  check(avcodec_send_packet(context.get(), packet.get()), path + " is not a PNG picture");
  Owned<AVFrame> frame(check_allocated(av_frame_alloc(), "a frame"));
  check(avcodec_receive_frame(context.get(), frame.get()), path + " is not a PNG picture");
  Scaler scaler;
  return scaler.to_rgb(*frame);
}

// ---- raw sources ----

Y4mReader::Y4mReader(const std::string & path)
: file_(std::fopen(path.c_str(), "rb"))
{
  if (!file_) {
    throw Error("cannot read " + path);
  }
  char header[256] = {};
  if (!std::fgets(header, sizeof(header), file_) || std::strncmp(header, "YUV4MPEG2 ", 10) != 0) {
    std::fclose(file_);
    throw Error(path + " is not a YUV4MPEG2 file");
  }
  std::string text(header);
  std::size_t at = 0;
  while ((at = text.find(' ', at)) != std::string::npos) {
    ++at;
    const char tag = text[at];
    const std::string value = text.substr(at + 1, text.find_first_of(" \n", at) - at - 1);
    if (tag == 'W') {
      width_ = std::atoi(value.c_str());
    } else if (tag == 'H') {
      height_ = std::atoi(value.c_str());
    } else if (tag == 'F') {
      int numerator = 0, denominator = 0;
      if (std::sscanf(value.c_str(), "%d:%d", &numerator, &denominator) == 2 && numerator > 0 && denominator > 0) {
        fps_ = double(numerator) / denominator;
      }
    } else if (tag == 'C' && value.rfind("420", 0) != 0) {
      std::fclose(file_);
      throw Error(path + ": only 4:2:0 pictures are read, not C" + value);
    }
  }
  if (width_ <= 0 || height_ <= 0 || width_ > 16384 || height_ > 16384) {
    std::fclose(file_);
    throw Error(path + " has no valid picture size");
  }
}

Y4mReader::~Y4mReader()
{
  std::fclose(file_);
}

bool Y4mReader::next(AVFrame & yuv420)
{
  char line[256];
  if (!std::fgets(line, sizeof(line), file_) || std::strncmp(line, "FRAME", 5) != 0) {
    return false;
  }
  for (int plane = 0; plane < 3; ++plane) {
    const int w = plane ? (width_ + 1) / 2 : width_;
    const int h = plane ? (height_ + 1) / 2 : height_;
    for (int y = 0; y < h; ++y) {
      if (std::fread(yuv420.data[plane] + y * yuv420.linesize[plane], 1, w, file_) != static_cast<std::size_t>(w)) {
        return false;
      }
    }
  }
  return true;
}

void test_pattern(Picture & picture, int64_t index)
{
  static const uint8_t bars[8][3] = {
    {235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
    {235, 16, 235}, {235, 16, 16}, {16, 16, 235}, {16, 16, 16}};
  const int w = picture.width;
  const int h = picture.height;
  const int block = std::max(8, h / 6);
  const int block_x = static_cast<int>((index * 4) % std::max(1, w - block));
  for (int y = 0; y < h; ++y) {
    uint8_t * row = picture.rgb.data() + std::size_t(3) * w * y;
    for (int x = 0; x < w; ++x) {
      uint8_t * pixel = row + 3 * x;
      if (y < h / 2) {
        std::memcpy(pixel, bars[x * 8 / w], 3);
      } else {
        const auto level = static_cast<uint8_t>(16 + (x * 219 / std::max(1, w - 1)));
        pixel[0] = level;
        pixel[1] = static_cast<uint8_t>(16 + ((y + index) % 220));
        pixel[2] = static_cast<uint8_t>(235 - level + 16);
      }
      if (x >= block_x && x < block_x + block && y >= h / 2 - block / 2 && y < h / 2 + block / 2) {
        pixel[0] = pixel[1] = pixel[2] = 250;
      }
    }
  }
}

}  // namespace media
