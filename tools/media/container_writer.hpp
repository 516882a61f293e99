#ifndef ORVANE_H26X_MSGS_TOOLS__MEDIA__CONTAINER_WRITER_HPP_
#define ORVANE_H26X_MSGS_TOOLS__MEDIA__CONTAINER_WRITER_HPP_

// Muxes one H.264 / H.265 stream into MP4 (fragmented) or Matroska as it
// comes, without re-encoding, through a byte sink (a file, a pipe, a socket).
// Access units arrive in decode order with their decode times; presentation
// times follow from the picture order within each group of pictures: the
// k-th picture shown takes the k-th decode time, so the first picture is
// shown at time 0 and decode times start the reorder delay earlier. A unit
// waits only until the units shown before it have arrived, and each unit is
// flushed to the sink as its own fragment or cluster, so a killed process
// leaves a readable file.

#include <climits>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "media/codec.hpp"
#include "media/ffmpeg.hpp"
#include "stream/byte_sink.hpp"

struct AVIOContext;

namespace media
{

enum class Container {MP4, MATROSKA};

// The container a file name asks for: .mp4, .m4v or .mov (MP4), .mkv
// (Matroska); none for anything else.
std::optional<Container> container_for(const std::string & path);

class ContainerWriter
{
public:
  ContainerWriter(stream::ByteSink & sink, Container container, annexb::Codec codec);
  ~ContainerWriter();
  ContainerWriter(const ContainerWriter &) = delete;
  ContainerWriter & operator=(const ContainerWriter &) = delete;

  // Units before the first key frame with parameter sets cannot be decoded
  // and are left out (counted). An Error when the muxer or the sink fails:
  // the output then holds committed() bytes of whole units, and the writer
  // takes nothing more.
  void write(const uint8_t * data, std::size_t size, int64_t decode_time_ns);
  // After frames were lost: the units waiting for their display time are
  // written as they are; the caller goes on at a key frame.
  void end_group();
  // Writes what waits and the trailer.
  void close();

  uint64_t skipped() const {return skipped_;}
  uint64_t units() const {return units_;}  // units in the output
  uint64_t committed() const {return committed_;}

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
  void check_sink(int code, const std::string & what);

  stream::ByteSink & sink_;
  Container container_;
  annexb::Codec codec_;
  PictureOrder order_;
  Owned<AVFormatContext> format_;
  AVIOContext * io_ = nullptr;
  std::string sink_error_;  // what the sink said when a write failed
  bool failed_ = false;
  int64_t start_ = 0;  // the first decode time
  int64_t frame_interval_ = 40000000;  // nanoseconds, as the stamps
  int64_t delay_ticks_ = 0;  // the reorder delay
  int64_t first_decode_ = 0;
  int64_t last_decode_ = -1;
  int64_t last_tick_ = INT64_MIN;
  int64_t intervals_ = 0;
  std::deque<Waiting> waiting_;
  std::vector<int64_t> group_decode_times_;  // ticks
  std::vector<int> group_orders_;
  uint64_t skipped_ = 0;
  uint64_t units_ = 0;
  uint64_t committed_ = 0;

  friend int write_to_sink(void * opaque, uint8_t * data, int size);
  friend int64_t seek_in_sink(void * opaque, int64_t offset, int whence);
};

}  // namespace media

#endif  // ORVANE_H26X_MSGS_TOOLS__MEDIA__CONTAINER_WRITER_HPP_
