#include "media/codec.hpp"

#include <cstring>

#include "media/av.hpp"

namespace media
{
using av::check;
using av::check_allocated;
using av::codec_id;

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
  unit.bidirectional = parser_->pict_type == AV_PICTURE_TYPE_B;
  unit.order = parser_->output_picture_number;
  unit.width = parser_->width;
  unit.height = parser_->height;
  return unit;
}

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

void Decoder::skip_to_key_frame()
{
  waiting_for_key_ = true;
  avcodec_flush_buffers(context_.get());
}

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
  // A picture asked to be a key frame is one a decoder can start at.
  av_opt_set(context.priv_data, "forced-idr", "1", 0);
  if (settings.codec == annexb::Codec::H264) {
    // Parameter sets with every key frame, so a recording may start at any.
    av_opt_set(context.priv_data, "x264-params", "repeat-headers=1:annexb=1", 0);
  } else {
    av_opt_set(context.priv_data, "x265-params", ffmpeg_log_verbose() ? "repeat-headers=1:annexb=1:log-level=info" :
      "repeat-headers=1:annexb=1:log-level=none", 0);
  }
  check(avcodec_open2(context_.get(), encoder, nullptr), std::string("cannot open ") + name);
  frame_.reset(check_allocated(av_frame_alloc(), "a frame"));
  frame_->format = AV_PIX_FMT_YUV420P;
  frame_->width = settings.width;
  frame_->height = settings.height;
  check(av_frame_get_buffer(frame_.get(), 0), "a picture");
  packet_.reset(check_allocated(av_packet_alloc(), "a packet"));
}

void Encoder::encode(const Sink & sink, bool key)
{
  frame_->pts = next_pts_++;
  frame_->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
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

}  // namespace media
