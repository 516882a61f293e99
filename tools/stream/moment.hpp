#ifndef ORVANE_H26X_MSGS_TOOLS__STREAM__MOMENT_HPP_
#define ORVANE_H26X_MSGS_TOOLS__STREAM__MOMENT_HPP_

// What flows from a source to its sinks: the images of one instant (a
// Compressed or MultiCompressed message, a frame read from a file, a frame
// taken from a camera), with the stamp of when they were taken.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "annexb.hpp"

namespace stream
{

// One image of a moment: an access unit of an H.264 / H.265 stream, or a raw
// frame (rgb8, ...).
struct Unit
{
  std::string encoding;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t step = 0;  // raw frames: bytes a row
  uint64_t count = 0;  // its number in its stream
  bool big_endian = false;  // raw frames of more than 8 bits a sample
  bool present = true;  // false: the stream has no frame at this instant
  std::vector<uint8_t> data;
};

struct Moment
{
  std::string topic;  // where it came from (a topic, a bag's topic), when it has one
  std::string type;  // its message type, "package/msg/Type", when it came as a message
  int64_t stamp_ns = 0;  // when it was taken, nanoseconds since the epoch (header.stamp)
  int64_t media_time_ns = -1;  // on the source's own timeline (a file's), -1 when it has none
  int64_t received_ns = 0;  // when it arrived (from a topic), for latency
  std::string frame_id;
  std::vector<Unit> units;  // stream k at index k
  std::vector<Unit> originals;  // the raw frames the streams were encoded from, when sent along
  // The message's CDR bytes as they came off the wire (encapsulation
  // included), when the source was asked to keep them.
  std::shared_ptr<const std::vector<uint8_t>> serialized;
  // The marker that ends a stream: no frames; units[k].count is the number of
  // frames sent in stream k.
  bool end_of_stream = false;
};

// The frame_id of the end-of-stream marker.
constexpr const char * kEndOfStream = "end-of-stream";

// The video codec an `encoding` names ("h264", "h265", and the names other
// tools use for them: "avc", "hevc", "h.264", ...), or none for raw frames and
// anything unknown. The one place that reads an encoding.
std::optional<annexb::Codec> video_codec(const std::string & encoding);

// Whether a unit is where a decoder can start: a key frame of a video
// stream, or any raw frame.
bool is_key(const Unit & unit);

inline int64_t stamp_ns(int32_t sec, uint32_t nanosec)
{
  return int64_t{sec} * 1000000000 + nanosec;
}

int64_t now_ns();

}  // namespace stream

#endif  // ORVANE_H26X_MSGS_TOOLS__STREAM__MOMENT_HPP_
