#ifndef ORVANE_H26X_MSGS_TOOLS__SINKS__PICTURES_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SINKS__PICTURES_HPP_

// Decoded pictures and where they go: the decoding sink turns stream 0 of
// the moments into pictures (H.264 / H.265 decoded, raw frames as they
// are) and hands each to its picture sinks: a contact sheet, PNG frames, a
// republished Image topic.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dds/session.hpp"
#include "media/codec.hpp"
#include "media/picture.hpp"
#include "stream/byte_sink.hpp"
#include "stream/pipeline.hpp"

namespace sinks
{

// Where a picture came from: its message's stamp, the frame's count and the
// message's frame_id.
struct Origin
{
  int64_t stamp_ns = 0;
  uint64_t count = 0;
  std::string frame_id;
};

class PictureSink
{
public:
  virtual ~PictureSink() = default;
  virtual void picture(const AVFrame & frame, const Origin & origin) = 0;
  virtual void finish() {}
  virtual bool report() const {return true;}
};

class DecodingSink : public stream::Sink
{
public:
  // `live`: decode with low delay, and measure latency from the stamps.
  // `frame_rate`: the file's, when known (else from the stamps).
  DecodingSink(std::vector<PictureSink *> pictures, bool live, double frame_rate);
  ~DecodingSink() override;
  void write(const stream::Moment & moment) override;
  void finish() override;
  // On stdout: frames decoded, errors, units skipped, size, rate (and
  // latency). False when nothing decoded or a unit was damaged.
  bool report() const override;

private:
  void show(const AVFrame & frame);
  void show_raw(const stream::Unit & unit, const Origin & origin);
  std::vector<PictureSink *> pictures_;
  const bool live_;
  double frame_rate_;
  std::unique_ptr<media::Decoder> decoder_;
  std::map<int64_t, Origin> origins_;  // by decode index, until the frame is out
  int64_t index_ = 0;
  uint64_t next_count_ = 0;
  uint64_t raw_frames_ = 0;
  uint64_t unreadable_ = 0;  // units of an encoding that is neither video nor a raw format
  int width_ = 0, height_ = 0;
  int64_t first_stamp_ = 0, last_stamp_ = 0;
  uint64_t stamped_ = 0;
  std::vector<double> latencies_;
  int64_t first_arrival_ns_ = 0, first_picture_ns_ = 0;  // live: how soon a joined stream shows
  media::Scaler scaler_;
};

// Evenly spaced pictures as tiles of a grid, written as one PNG at the end.
// With the frame count known the tiles are frames i * total / tiles;
// without, every stride-th frame is kept and the stride doubles whenever the
// grid would overflow. The file is opened at once.
class ContactSheet : public PictureSink
{
public:
  ContactSheet(const std::string & path, bool overwrite, int columns, int rows, int tile_width, std::size_t total);
  void picture(const AVFrame & frame, const Origin & origin) override;
  void finish() override;
  bool report() const override;

private:
  stream::OutputFile file_;
  const int columns_, rows_, tile_width_;
  const std::size_t total_;
  int tile_height_ = 0;
  uint64_t seen_ = 0;
  uint64_t stride_ = 1;
  std::vector<media::Picture> tiles_;
  media::Scaler scaler_;
  std::string error_;
};

// Every `every`-th picture as DIR/frame_NNNNNN.png. The folder is made (or
// checked) at once.
class FramesFolder : public PictureSink
{
public:
  FramesFolder(std::string folder, uint64_t every, bool overwrite);
  void picture(const AVFrame & frame, const Origin & origin) override;
  bool report() const override;

private:
  const std::string folder_;
  const uint64_t every_;
  const bool overwrite_;
  uint64_t seen_ = 0, written_ = 0;
  media::Scaler scaler_;
  std::string error_;
};

// The original images of each moment (a MultiCompressed's raw frames) as
// DIR/original_<k>_NNNNNN.png. The folder is made (or checked) at once.
class OriginalsFolder : public stream::Sink
{
public:
  OriginalsFolder(std::string folder, bool overwrite);
  void write(const stream::Moment & moment) override;
  void finish() override {}
  bool report() const override;

private:
  const std::string folder_;
  const bool overwrite_;
  std::vector<uint64_t> written_;  // per original index
  uint64_t unreadable_ = 0;
  media::Scaler scaler_;
  std::string error_;
};

// Each picture as an image on a topic, with the stamp and frame_id of the
// message it came from: a sensor_msgs/Image (rgb8, bgr8 or mono8) that rviz2,
// rqt_image_view and Foxglove show, or this package's rgb8 Image, which also
// carries the frame's count and ends with the end-of-stream marker.
class Republisher : public PictureSink
{
public:
  enum class Type {SENSOR_MSGS, ORVANE};
  // `encoding`: rgb8, bgr8 or mono8 (ORVANE: rgb8 only).
  Republisher(
    const std::string & topic, int domain, orvane_dds::Transport transport, Type type, const std::string & encoding);
  ~Republisher() override;
  void picture(const AVFrame & frame, const Origin & origin) override;
  // (ORVANE: the end-of-stream marker, then) at most 10 s until readers have all.
  void finish() override;

private:
  struct Messages;
  const Type type_;
  std::unique_ptr<orvane_dds::Session> session_;
  std::unique_ptr<Messages> messages_;
  media::Scaler scaler_;
  uint64_t sent_ = 0;
};

}  // namespace sinks

#endif  // ORVANE_H26X_MSGS_TOOLS__SINKS__PICTURES_HPP_
