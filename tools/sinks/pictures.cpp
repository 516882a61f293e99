#include "sinks/pictures.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/frame.h>
}

#include "foreign/foreign_types.hpp"
#include "orvane_h26x_msgs/msg/image.hpp"
#include "rosidl_typesupport_cpp/message_type_support.hpp"
#include "sinks/reception.hpp"

namespace sinks
{

DecodingSink::DecodingSink(std::vector<PictureSink *> pictures, bool live, double frame_rate)
: pictures_(std::move(pictures)), live_(live), frame_rate_(frame_rate)
{
}

DecodingSink::~DecodingSink() = default;

void DecodingSink::write(const stream::Moment & moment)
{
  if (moment.end_of_stream || moment.units.empty() || !moment.units[0].present || moment.units[0].data.empty()) {
    return;
  }
  const stream::Unit & unit = moment.units[0];
  const Origin origin{moment.stamp_ns, unit.count, moment.frame_id};
  if (live_ && first_arrival_ns_ == 0) {
    first_arrival_ns_ = moment.received_ns ? moment.received_ns : stream::now_ns();
  }
  // The span of the stamps gives the rate where the input states none (live
  // topics, bags); in decoding order, so the smallest and the largest.
  first_stamp_ = stamped_ == 0 ? moment.stamp_ns : std::min(first_stamp_, moment.stamp_ns);
  last_stamp_ = stamped_ == 0 ? moment.stamp_ns : std::max(last_stamp_, moment.stamp_ns);
  ++stamped_;
  const bool gap = index_ > 0 && unit.count > next_count_;
  next_count_ = unit.count + 1;
  const std::optional<annexb::Codec> codec = stream::video_codec(unit.encoding);
  if (!codec) {
    show_raw(unit, origin);
    return;
  }
  if (!decoder_) {
    decoder_ = std::make_unique<media::Decoder>(*codec, 0, live_);
    decoder_->skip_to_key_frame();  // a stream joined (or read) mid-way starts whole
  } else if (gap) {
    decoder_->skip_to_key_frame();  // frames were lost: no smeared pictures
  }
  origins_[index_] = origin;
  decoder_->decode(unit.data.data(), unit.data.size(), index_++, [this](const AVFrame & frame) {show(frame);});
}

void DecodingSink::show(const AVFrame & frame)
{
  const auto found = origins_.find(frame.pts);
  const Origin origin = found == origins_.end() ? Origin{} : found->second;
  if (found != origins_.end()) {
    origins_.erase(found);
  }
  while (origins_.size() > 4096) {  // units whose frames were lost to damage
    origins_.erase(origins_.begin());
  }
  width_ = frame.width;
  height_ = frame.height;
  if (live_ && origin.stamp_ns) {
    latencies_.push_back((stream::now_ns() - origin.stamp_ns) * 1e-9);
  }
  if (live_ && first_picture_ns_ == 0) {
    first_picture_ns_ = stream::now_ns();
  }
  for (PictureSink * sink : pictures_) {
    sink->picture(frame, origin);
  }
}

void DecodingSink::show_raw(const stream::Unit & unit, const Origin & origin)
{
  AVFrame frame = {};
  if (!media::view_raw(unit.encoding, unit.big_endian, static_cast<int>(unit.width), static_cast<int>(unit.height), unit.step,
    unit.data.data(), unit.data.size(), frame))
  {
    if (unreadable_++ == 0) {
      stream::note("frames of encoding '" + unit.encoding + "' (" + std::to_string(unit.width) + "x" +
        std::to_string(unit.height) + ") are neither H.264 / H.265 nor a raw format read here");
    }
    return;
  }
  ++raw_frames_;
  ++index_;
  frame.pts = static_cast<int64_t>(unit.count);
  origins_[frame.pts] = origin;
  show(frame);
}

void DecodingSink::finish()
{
  if (decoder_) {
    decoder_->finish([this](const AVFrame & frame) {show(frame);});
  }
  for (PictureSink * sink : pictures_) {
    sink->finish();
  }
}

bool DecodingSink::report() const
{
  const uint64_t frames = raw_frames_ + (decoder_ ? decoder_->frames() : 0);
  const uint64_t errors = decoder_ ? decoder_->errors() : 0;
  const double rate = frame_rate_ > 0 ? frame_rate_ :
    stamped_ > 1 && last_stamp_ > first_stamp_ ? (stamped_ - 1) / ((last_stamp_ - first_stamp_) * 1e-9) : 0;
  std::printf("%s: %llu frames decoded, %llu decode errors, %llu units skipped, %dx%d, %.3f frames/s\n",
    stream::program(), static_cast<unsigned long long>(frames), static_cast<unsigned long long>(errors),
    static_cast<unsigned long long>(decoder_ ? decoder_->skipped() : 0), width_, height_, rate);
  if (!latencies_.empty()) {
    std::printf("%s: latency from the stamp to the decoded frame, ms: p50 %.1f p99 %.1f max %.1f\n",
      stream::program(), 1e3 * percentile(latencies_, 0.5), 1e3 * percentile(latencies_, 0.99),
      1e3 * percentile(latencies_, 1.0));
  }
  if (first_picture_ns_ > 0 && first_arrival_ns_ > 0) {
    std::printf("%s: first picture %.1f ms after the first unit arrived\n", stream::program(),
      (first_picture_ns_ - first_arrival_ns_) * 1e-6);
  }
  std::fflush(stdout);
  bool good = frames > 0 && errors == 0 && unreadable_ == 0;
  if (frames == 0) {
    stream::note("no frame could be decoded");
  }
  for (const PictureSink * sink : pictures_) {
    good = sink->report() && good;
  }
  return good;
}

ContactSheet::ContactSheet(
  const std::string & path, bool overwrite, int columns, int rows, int tile_width, std::size_t total)
: file_(path, overwrite), columns_(columns), rows_(rows), tile_width_(tile_width), total_(total)
{
}

void ContactSheet::picture(const AVFrame & frame, const Origin &)
{
  const uint64_t index = seen_++;
  const std::size_t tiles = static_cast<std::size_t>(columns_ * rows_);
  if (total_ > 0) {
    const std::size_t next = tiles_.size() * total_ / tiles;
    if (tiles_.size() >= tiles || index != next) {
      return;
    }
  } else if (index % stride_ != 0) {
    return;
  }
  if (tile_height_ == 0) {
    tile_height_ = std::max(2, (tile_width_ * frame.height / std::max(1, frame.width) + 1) & ~1);
    if (static_cast<int64_t>(tile_height_) * rows_ > 16384) {
      error_ = "a sheet of " + std::to_string(rows_) + " rows of " + std::to_string(tile_height_) +
        " pixels is over 16384 pixels high";
      tile_height_ = -1;
    }
  }
  if (tile_height_ < 0) {
    return;
  }
  tiles_.push_back(scaler_.to_rgb(frame, tile_width_, tile_height_));
  if (total_ == 0 && tiles_.size() > tiles) {
    std::vector<media::Picture> kept;
    for (std::size_t i = 0; i < tiles_.size(); i += 2) {
      kept.push_back(std::move(tiles_[i]));
    }
    tiles_ = std::move(kept);
    stride_ *= 2;
  }
}

void ContactSheet::finish()
{
  if (!error_.empty() || tiles_.empty()) {
    error_ = error_.empty() ? "no picture for a contact sheet" : error_;
    try {
      file_.close();
    } catch (const stream::OutputError &) {
    }
    return;
  }
  media::Picture sheet(columns_ * tile_width_, rows_ * tile_height_);
  for (std::size_t i = 0; i < tiles_.size() && i < static_cast<std::size_t>(columns_ * rows_); ++i) {
    const int x0 = static_cast<int>(i % columns_) * tile_width_;
    const int y0 = static_cast<int>(i / columns_) * tile_height_;
    for (int y = 0; y < tile_height_; ++y) {
      std::copy_n(tiles_[i].rgb.begin() + std::size_t(3) * tile_width_ * y, 3 * tile_width_,
        sheet.rgb.begin() + std::size_t(3) * (sheet.width * (y0 + y) + x0));
    }
  }
  try {
    const std::vector<uint8_t> png = media::encode_png(sheet);
    file_.write(png.data(), png.size());
    file_.close();
  } catch (const std::exception & error) {
    error_ = error.what();
    file_.truncate(0);
  }
}

bool ContactSheet::report() const
{
  if (!error_.empty()) {
    stream::note("no contact sheet " + file_.name() + ": " + error_);
    return false;
  }
  stream::note("contact sheet " + file_.name() + " (" + std::to_string(columns_) + "x" + std::to_string(rows_) +
    " tiles of " + std::to_string(tile_width_) + "x" + std::to_string(tile_height_) + ", " +
    std::to_string(tiles_.size()) + " frames)");
  return true;
}

namespace
{
// A folder for pictures, made when missing: an error now rather than at the first picture.
void make_folder(const std::string & folder)
{
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    throw stream::OutputError("cannot make the folder " + folder + ": " + std::strerror(errno));
  }
  struct stat found = {};
  if (::stat(folder.c_str(), &found) != 0 || !S_ISDIR(found.st_mode) || ::access(folder.c_str(), W_OK) != 0) {
    throw stream::OutputError("cannot write pictures into " + folder + ": not a folder this program can write");
  }
}

void write_picture(const std::string & path, bool overwrite, const media::Picture & picture)
{
  stream::OutputFile file(path, overwrite);
  const std::vector<uint8_t> png = media::encode_png(picture);
  file.write(png.data(), png.size());
  file.close();
}
}  // namespace

FramesFolder::FramesFolder(std::string folder, uint64_t every, bool overwrite)
: folder_(std::move(folder)), every_(every), overwrite_(overwrite)
{
  make_folder(folder_);
}

OriginalsFolder::OriginalsFolder(std::string folder, bool overwrite)
: folder_(std::move(folder)), overwrite_(overwrite)
{
  make_folder(folder_);
}

void OriginalsFolder::write(const stream::Moment & moment)
{
  written_.resize(std::max(written_.size(), moment.originals.size()));
  for (std::size_t k = 0; k < moment.originals.size() && error_.empty(); ++k) {
    const stream::Unit & original = moment.originals[k];
    AVFrame frame = {};
    if (!original.present || !media::view_raw(original.encoding, false, static_cast<int>(original.width),
      static_cast<int>(original.height), original.step, original.data.data(), original.data.size(), frame))
    {
      unreadable_ += original.present;
      continue;
    }
    char name[64];
    std::snprintf(name, sizeof(name), "/original_%zu_%06llu.png", k, static_cast<unsigned long long>(written_[k]));
    try {
      write_picture(folder_ + name, overwrite_, scaler_.to_rgb(frame));
      ++written_[k];
    } catch (const std::exception & error) {
      error_ = error.what();
      stream::note(error_);
    }
  }
}

bool OriginalsFolder::report() const
{
  uint64_t written = 0;
  for (const uint64_t count : written_) {
    written += count;
  }
  stream::note(std::to_string(written) + " original images in " + folder_ +
    (unreadable_ ? ", " + std::to_string(unreadable_) + " of an encoding not read here" : ""));
  return error_.empty() && written > 0;
}

void FramesFolder::picture(const AVFrame & frame, const Origin &)
{
  const uint64_t index = seen_++;
  if (!error_.empty() || index % every_ != 0) {
    return;
  }
  char name[64];
  std::snprintf(name, sizeof(name), "/frame_%06llu.png", static_cast<unsigned long long>(index));
  try {
    write_picture(folder_ + name, overwrite_, scaler_.to_rgb(frame));
    ++written_;
  } catch (const std::exception & error) {
    error_ = error.what();
    stream::note(error_);
  }
}

bool FramesFolder::report() const
{
  if (!error_.empty()) {
    stream::note(folder_ + ": " + std::to_string(written_) + " pictures written before a failure");
    return false;
  }
  return true;
}

struct Republisher::Messages
{
  orvane_h26x_msgs::msg::Image own;
  foreign::SensorImage sensor;
};

namespace
{
// The pixel format and bytes a pixel of the encodings a Republisher sends.
struct Packing
{
  int format;
  int pixel_bytes;
};

Packing packing(const std::string & encoding)
{
  if (encoding == "rgb8") {
    return {AV_PIX_FMT_RGB24, 3};
  } else if (encoding == "bgr8") {
    return {AV_PIX_FMT_BGR24, 3};
  } else if (encoding == "mono8") {
    return {AV_PIX_FMT_GRAY8, 1};
  }
  throw std::invalid_argument("cannot republish as '" + encoding + "': rgb8, bgr8 or mono8");
}

template<class Header>
void stamp(Header & header, int64_t stamp_ns, const std::string & frame_id)
{
  header.stamp.sec = static_cast<int32_t>(stamp_ns / 1000000000);
  header.stamp.nanosec = static_cast<uint32_t>(stamp_ns % 1000000000);
  // Viewers place an image by its frame; a source without one gets a name.
  header.frame_id = frame_id.empty() ? "camera" : frame_id;
}
}  // namespace

Republisher::Republisher(
  const std::string & topic, int domain, orvane_dds::Transport transport, Type type, const std::string & encoding)
: type_(type), messages_(std::make_unique<Messages>())
{
  packing(encoding);  // any other encoding refused before the topic is made
  if (type == Type::ORVANE && encoding != "rgb8") {
    throw std::invalid_argument("orvane_h26x_msgs/Image is republished as rgb8 only");
  }
  if (type == Type::SENSOR_MSGS) {
    session_ = std::make_unique<orvane_dds::Session>(
      foreign::type_support<foreign::SensorImage>(), foreign::factory<foreign::SensorImage>(), topic, domain,
      transport);
    messages_->sensor.encoding = encoding;
  } else {
    session_ = std::make_unique<orvane_dds::Session>(
      rosidl_typesupport_cpp::get_message_type_support_handle<orvane_h26x_msgs::msg::Image>(),
      orvane_dds::MessageFactory{[] {return static_cast<void *>(new orvane_h26x_msgs::msg::Image());},
        [](void * m) {delete static_cast<orvane_h26x_msgs::msg::Image *>(m);}},
      topic, domain, transport);
    messages_->own.encoding = encoding;
  }
  session_->writer();
}

Republisher::~Republisher() = default;

void Republisher::picture(const AVFrame & frame, const Origin & origin)
{
  auto fill = [&](auto & image) {
      const Packing packed = packing(image.encoding);
      stamp(image.header, origin.stamp_ns, origin.frame_id);
      image.width = static_cast<uint32_t>(frame.width);
      image.height = static_cast<uint32_t>(frame.height);
      image.step = static_cast<uint32_t>(packed.pixel_bytes * frame.width);
      scaler_.to_packed(frame, packed.format, packed.pixel_bytes, image.data);
    };
  if (type_ == Type::SENSOR_MSGS) {
    fill(messages_->sensor);
    sent_ += session_->write(&messages_->sensor, [] {return false;});
  } else {
    fill(messages_->own);
    messages_->own.count = origin.count;
    sent_ += session_->write(&messages_->own, [] {return false;});
  }
}

void Republisher::finish()
{
  if (type_ == Type::ORVANE) {
    // As the publisher's: stamped now, no data, the count of frames sent.
    // Standard viewers know no such marker, so sensor_msgs get none.
    orvane_h26x_msgs::msg::Image marker;
    stamp(marker.header, stream::now_ns(), stream::kEndOfStream);
    marker.count = sent_;
    session_->write(&marker, [] {return false;});
  }
  session_->finish(std::chrono::seconds(10));
}

}  // namespace sinks
