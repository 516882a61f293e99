#ifndef ORVANE_H26X_MSGS_TOOLS__MEDIA__DEMUXER_HPP_
#define ORVANE_H26X_MSGS_TOOLS__MEDIA__DEMUXER_HPP_

// The H.264 / H.265 stream of a file or network source libavformat reads
// (MP4, Matroska, MPEG-TS, RTSP, ...), unit by unit in decode order, as
// Annex-B (a container's avcC / hvcC parameter sets put in front of every
// key frame by libavformat's filter).

#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "annexb.hpp"
#include "media/ffmpeg.hpp"

namespace media
{

// A unit's time the source did not give.
constexpr int64_t kNoTime = INT64_MIN;

class Demuxer
{
public:
  struct Options
  {
    std::map<std::string, std::string> format;  // libavformat's (rtsp_transport, ...)
    // Asked while libavformat waits (opening, reading): true gives the wait up.
    std::function<bool()> interrupted;
  };
  // An Error when libavformat cannot read the file or URL or it holds no
  // H.264 or H.265 stream.
  explicit Demuxer(const std::string & path, const Options & options = {});
  // The wall-clock time of presentation time 0, as the source states it (an
  // RTSP camera's RTCP sender reports), in ns since the epoch; -1 unknown.
  int64_t start_time_realtime_ns() const;
  // The parameter sets the container carries out of band, Annex-B.
  std::vector<uint8_t> configuration() const;

  annexb::Codec codec() const {return codec_;}
  double frame_rate() const {return frame_rate_;}  // 0 when the file does not say
  std::size_t size_hint() const {return size_hint_;}  // units, 0 if unknown
  int width() const {return width_;}
  int height() const {return height_;}

  struct Unit
  {
    std::vector<uint8_t> data;
    int64_t decode_time_ns = kNoTime;  // may be negative (B-frames); kNoTime when none is given
    int64_t presentation_time_ns = kNoTime;
  };
  // The next unit; false at the end.
  bool next(Unit & unit);

private:
  static int interrupt(void * demuxer);
  std::function<bool()> interrupted_;
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
