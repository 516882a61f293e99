#ifndef ORVANE_H26X_MSGS_TOOLS__MEDIA__MEDIA_HPP_
#define ORVANE_H26X_MSGS_TOOLS__MEDIA__MEDIA_HPP_

// The tools' one layer over FFmpeg's libraries: containers in and out,
// decoding, encoding, scaling and PNG pictures. FFmpeg's objects live in
// owning wrappers; its errors become media::Error with one clear line.

#include <cstddef>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "annexb.hpp"

struct AVCodecContext;
struct AVCodecParserContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVBSFContext;
struct SwsContext;

namespace media
{

struct Error : std::runtime_error
{
  using std::runtime_error::runtime_error;
};

struct Deleter
{
  void operator()(AVCodecContext * context) const;
  void operator()(AVCodecParserContext * parser) const;
  void operator()(AVFrame * frame) const;
  void operator()(AVPacket * packet) const;
  void operator()(AVBSFContext * filter) const;
  void operator()(SwsContext * scaler) const;
};
template<class T>
using Owned = std::unique_ptr<T, Deleter>;

// An RGB picture, 3 bytes a pixel, rows back to back.
struct Picture
{
  Picture() = default;
  Picture(int width, int height) : width(width), height(height), rgb(std::size_t(3) * width * height) {}
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

// Whether a path names a container the tools write and read (.mp4, .mkv).
bool is_container(const std::string & path);

// Key frame and picture order count of access units, from libavcodec's parser.
class PictureOrder
{
public:
  explicit PictureOrder(annexb::Codec codec);
  struct Unit
  {
    bool key = false;
    int order = 0;  // picture order count, restarting at each IDR
    int width = 0;
    int height = 0;
  };
  Unit parse(const uint8_t * data, std::size_t size);

private:
  Owned<AVCodecContext> context_;
  Owned<AVCodecParserContext> parser_;
};

// Muxes one H.264 / H.265 stream into MP4 (fragmented) or Matroska as it
// comes, without re-encoding. Access units arrive in decode order with their
// decode times; presentation times follow from the picture order within each
// group of pictures: the k-th picture shown takes the k-th decode time, plus
// the stream's reorder delay. A unit waits only until the units shown before
// it have arrived, and each unit written is flushed to the file at once, so a
// killed process leaves a readable file.
class ContainerWriter
{
public:
  ContainerWriter(std::string path, annexb::Codec codec);
  ~ContainerWriter();
  ContainerWriter(const ContainerWriter &) = delete;
  ContainerWriter & operator=(const ContainerWriter &) = delete;

  void write(const uint8_t * data, std::size_t size, int64_t decode_time_ns);
  void close();  // writes what waits and the trailer
  uint64_t skipped() const {return skipped_;}  // units before the first key frame

private:
  struct Waiting
  {
    Owned<AVPacket> packet;  // the unit's bytes, copied once on arrival
    int64_t decode_time;  // in the container's ticks
    int order;
    bool key;
  };
  void open(const uint8_t * data, std::size_t size, const PictureOrder::Unit & unit);
  void release(bool all, int64_t next_time);
  void mux(Waiting & unit, int64_t presentation_time, int64_t end_time);

  std::string path_;
  annexb::Codec codec_;
  PictureOrder order_;
  AVFormatContext * format_ = nullptr;
  bool open_ = false;
  int64_t start_ = 0;  // the first decode time
  int64_t frame_interval_ = 40000000;  // nanoseconds, as the stamps
  int64_t delay_ = 0;  // nanoseconds
  int64_t first_decode_ = 0;
  int64_t last_decode_ = -1;
  int64_t last_tick_ = INT64_MIN;
  int64_t intervals_ = 0;
  std::deque<Waiting> waiting_;
  std::vector<int64_t> group_decode_times_;  // ticks
  std::vector<int> group_orders_;
  uint64_t skipped_ = 0;
};

// Access units of a recording: Annex-B files as the stream splitter cuts
// them, MP4 and Matroska through libavformat (converted back to Annex-B),
// each with its presentation time when the file has one.
class Recording
{
public:
  explicit Recording(const std::string & path);
  ~Recording();
  Recording(const Recording &) = delete;
  Recording & operator=(const Recording &) = delete;

  annexb::Codec codec() const {return codec_;}
  double frame_rate() const {return frame_rate_;}
  std::size_t size_hint() const {return size_hint_;}  // access units, 0 if unknown
  // The next unit; false at the end.
  bool next(std::vector<uint8_t> & unit, int64_t & presentation_time_ns);

private:
  annexb::Codec codec_ = annexb::Codec::H264;
  double frame_rate_ = 0;
  std::size_t size_hint_ = 0;
  std::vector<uint8_t> raw_;
  std::vector<annexb::AccessUnit> units_;
  std::size_t next_unit_ = 0;
  AVFormatContext * format_ = nullptr;
  int stream_ = -1;
  Owned<AVBSFContext> to_annexb_;
  Owned<AVPacket> packet_;
  bool draining_ = false;
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
// access unit out per picture in.
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
  void encode(const Sink & sink);
  void finish(const Sink & sink);

private:
  void receive(const Sink & sink);
  Owned<AVCodecContext> context_;
  Owned<AVFrame> frame_;
  Owned<AVPacket> packet_;
  int64_t next_pts_ = 0;
};

// Any decoded picture to RGB of the given size (0: the picture's own).
class Scaler
{
public:
  Picture to_rgb(const AVFrame & frame, int width = 0, int height = 0);
  void from_rgb(const Picture & picture, AVFrame & yuv420);

private:
  Owned<SwsContext> context_;
};

// PNG through libavcodec's encoder and decoder.
void write_png(const std::string & path, const Picture & picture);
Picture read_png(const std::string & path);

// Raw 4:2:0 frames of a YUV4MPEG2 file.
class Y4mReader
{
public:
  explicit Y4mReader(const std::string & path);
  ~Y4mReader();
  int width() const {return width_;}
  int height() const {return height_;}
  double fps() const {return fps_;}
  bool next(AVFrame & yuv420);

private:
  std::FILE * file_ = nullptr;
  int width_ = 0, height_ = 0;
  double fps_ = 25;
};

// A moving test picture (colour bars, a gradient and a sweeping block).
void test_pattern(Picture & picture, int64_t index);

}  // namespace media

#endif  // ORVANE_H26X_MSGS_TOOLS__MEDIA__MEDIA_HPP_
