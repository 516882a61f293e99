#ifndef ORVANE_H26X_MSGS_TOOLS__MEDIA__CODEC_HPP_
#define ORVANE_H26X_MSGS_TOOLS__MEDIA__CODEC_HPP_

// Decoding and encoding H.264 / H.265 access units with libavcodec, and the
// picture order of units from its parser.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "annexb.hpp"
#include "media/ffmpeg.hpp"

namespace media
{

// Key frame, picture type and picture order count of access units, from
// libavcodec's parser.
class PictureOrder
{
public:
  explicit PictureOrder(annexb::Codec codec);
  struct Unit
  {
    bool key = false;
    bool bidirectional = false;  // a B picture
    int order = 0;  // picture order count, restarting at each IDR
    int width = 0;
    int height = 0;
  };
  Unit parse(const uint8_t * data, std::size_t size);

private:
  Owned<AVCodecContext> context_;
  Owned<AVCodecParserContext> parser_;
};

// Decodes access units. A unit that fails is counted and skipped, and so is
// everything after it until the next key frame.
class Decoder
{
public:
  // `threads`: 0 lets libavcodec choose. Frame threads hold a frame back
  // per thread; `low_delay` (live streams) uses slice threads instead.
  explicit Decoder(annexb::Codec codec, int threads = 0, bool low_delay = false);
  using Sink = std::function<void(const AVFrame &)>;
  void decode(const uint8_t * data, std::size_t size, int64_t pts, const Sink & sink);
  void finish(const Sink & sink);
  // Frames were lost before the next unit: what is held is dropped and
  // decoding starts again at the next key frame.
  void skip_to_key_frame();
  uint64_t frames() const {return frames_;}
  uint64_t errors() const {return errors_;}  // damaged units
  uint64_t skipped() const {return skipped_;}  // units passed over on the way to a key frame
  int reorder_delay() const;

private:
  void receive(const Sink & sink);
  Owned<AVCodecContext> context_;
  Owned<AVPacket> packet_;
  Owned<AVFrame> frame_;
  PictureOrder order_;
  bool waiting_for_key_ = false;
  uint64_t frames_ = 0;
  uint64_t errors_ = 0;
  uint64_t skipped_ = 0;
};

// Encodes raw 4:2:0 pictures with low-latency settings: no B-frames, one
// access unit out per picture in, parameter sets with every key frame.
class Encoder
{
public:
  struct Settings
  {
    annexb::Codec codec = annexb::Codec::H264;
    int width = 0;
    int height = 0;
    double fps = 25;
    int gop = 25;
    int64_t bitrate = 0;  // 0: constant quality
  };
  explicit Encoder(const Settings & settings);
  AVFrame & picture() {return *frame_;}  // fill this, then encode()
  using Sink = std::function<void(const uint8_t *, std::size_t, bool key)>;
  // `key`: this picture an IDR picture (H.264) / IDR (H.265), parameter sets first.
  void encode(const Sink & sink, bool key = false);
  void finish(const Sink & sink);

private:
  void receive(const Sink & sink);
  Owned<AVCodecContext> context_;
  Owned<AVFrame> frame_;
  Owned<AVPacket> packet_;
  int64_t next_pts_ = 0;
};

}  // namespace media

#endif  // ORVANE_H26X_MSGS_TOOLS__MEDIA__CODEC_HPP_
