#ifndef ORVANE_H26X_MSGS_TOOLS__SOURCES__FILE_SOURCE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SOURCES__FILE_SOURCE_HPP_

// The access units of a recorded H.264 / H.265 stream, one moment each, on
// the file's own timeline: an Annex-B file (checked to be one: a start code
// where the first unit begins), or any file libavformat reads (MP4,
// Matroska, MPEG-TS, ...), whose units come out as Annex-B with the
// parameter sets before every key frame. Looped, it starts again at its end
// with the timeline and the counts going on (a test camera, a soak).

#include <memory>
#include <string>
#include <vector>

#include "media/demuxer.hpp"
#include "stream/pipeline.hpp"

namespace sources
{

class FileSource : public stream::Source
{
public:
  // A media::Error when the file holds no stream the tools read.
  explicit FileSource(const std::string & path, bool loop = false);
  bool next(stream::Moment & moment) override;

  annexb::Codec codec() const {return codec_;}
  std::size_t size_hint() const;  // units, 0 when the file does not say
  double frame_rate() const {return frame_rate_;}  // 0 when the stream does not say
  uint32_t width() const {return width_;}
  uint32_t height() const {return height_;}
  std::size_t largest_unit() const {return largest_unit_;}  // Annex-B files: known before sending
  // One line: the path, codec, units, size and rate.
  std::string describe() const;

private:
  bool next_unit(stream::Unit & unit, int64_t & media_time_ns);

  std::string path_;
  bool loop_ = false;
  int64_t pass_start_ns_ = 0;  // a looped container: where this pass begins on the timeline
  int64_t last_media_ns_ = -1;  // the latest unit's time so far
  annexb::Codec codec_ = annexb::Codec::H264;
  double frame_rate_ = 0;
  uint32_t width_ = 0, height_ = 0;
  // An Annex-B file, split in memory; or a container.
  std::vector<uint8_t> bytes_;
  std::vector<annexb::AccessUnit> units_;
  std::unique_ptr<media::Demuxer> demuxer_;
  media::Demuxer::Unit unit_;
  int64_t first_decode_ns_ = media::kNoTime;
  std::size_t largest_unit_ = 0;
  uint64_t next_ = 0;
};

// Several sources as one: moment i holds unit i of each (source k's as
// stream k); a source that has ended gives a unit that is not present. Ends
// when all have ended. Timed by the first source.
class CombinedSource : public stream::Source
{
public:
  explicit CombinedSource(std::vector<std::unique_ptr<stream::Source>> sources);
  bool next(stream::Moment & moment) override;

private:
  std::vector<std::unique_ptr<stream::Source>> sources_;
  std::vector<bool> ended_;
  std::vector<stream::Unit> last_;  // the format of each stream, for units not present
  uint64_t index_ = 0;
};

}  // namespace sources

#endif  // ORVANE_H26X_MSGS_TOOLS__SOURCES__FILE_SOURCE_HPP_
