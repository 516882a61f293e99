#ifndef ORVANE_H26X_MSGS_TOOLS__MEDIA__DEMUXER_HPP_
#define ORVANE_H26X_MSGS_TOOLS__MEDIA__DEMUXER_HPP_

// The H.264 / H.265 stream of a file libavformat reads (MP4, Matroska, ...),
// unit by unit in decode order, as Annex-B with the parameter sets in front
// of every key frame.

#include <cstdint>
#include <string>
#include <vector>

#include "annexb.hpp"
#include "media/ffmpeg.hpp"

namespace media
{

class Demuxer
{
public:
  // An Error when libavformat cannot read the file or it holds no H.264 or
  // H.265 stream.
  explicit Demuxer(const std::string & path);

  annexb::Codec codec() const {return codec_;}
  double frame_rate() const {return frame_rate_;}  // 0 when the file does not say
  std::size_t size_hint() const {return size_hint_;}  // units, 0 if unknown
  int width() const {return width_;}
  int height() const {return height_;}

  struct Unit
  {
    std::vector<uint8_t> data;
    int64_t decode_time_ns = -1;  // -1 when the file gives none
    int64_t presentation_time_ns = -1;
  };
  // The next unit; false at the end.
  bool next(Unit & unit);

private:
  OwnedInput format_;
  int stream_ = -1;
  annexb::Codec codec_ = annexb::Codec::H264;
  double frame_rate_ = 0;
  std::size_t size_hint_ = 0;
  int width_ = 0, height_ = 0;
  Owned<AVBSFContext> to_annexb_;
  Owned<AVPacket> packet_;
  bool draining_ = false;
};

}  // namespace media

#endif  // ORVANE_H26X_MSGS_TOOLS__MEDIA__DEMUXER_HPP_
