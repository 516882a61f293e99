// Decodes a recording (Annex-B, MP4 or Matroska) or a live topic of
// orvane_h26x_msgs/Compressed and shows what is in it: frames decoded, decode
// errors, size and rate; a contact sheet, the frames as PNG pictures, and the
// decoded frames republished as rgb8 Image messages.

#include <sys/stat.h>

#include <condition_variable>
#include <csignal>
#include <deque>
#include <iostream>
#include <map>
#include <mutex>

extern "C" {
#include <libavutil/frame.h>
}

#include "dds/session.hpp"
#include "fastdds/dds/subscriber/DataReader.hpp"
#include "fastdds/dds/subscriber/SampleInfo.hpp"
#include "media/media.hpp"
#include "orvane_h26x_msgs/msg/compressed.hpp"
#include "orvane_h26x_msgs/msg/image.hpp"
#include "program_support.hpp"
#include "rosidl_typesupport_cpp/message_type_support.hpp"

namespace
{
using orvane_h26x_msgs::msg::Compressed;
using orvane_h26x_msgs::msg::Image;

using tools::stop_requested;

// Where a unit came from: its message's stamp and count.
struct Origin
{
  int32_t sec = 0;
  uint32_t nanosec = 0;
  uint64_t count = 0;
};

// Evenly spaced frames, as tiles of a grid. With the frame count known the
// tiles are frames i * total / tiles; without, every stride-th frame is kept
// and the stride doubles whenever the grid would overflow.
class ContactSheet
{
public:
  ContactSheet(int columns, int rows, int tile_width, std::size_t total)
  : columns_(columns), rows_(rows), tile_width_(tile_width), total_(total) {}

  void offer(const AVFrame & frame, uint64_t index, media::Scaler & scaler)
  {
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
    }
    tiles_.push_back(scaler.to_rgb(frame, tile_width_, tile_height_));
    if (total_ == 0 && tiles_.size() > tiles) {
      std::vector<media::Picture> kept;
      for (std::size_t i = 0; i < tiles_.size(); i += 2) {
        kept.push_back(std::move(tiles_[i]));
      }
      tiles_ = std::move(kept);
      stride_ *= 2;
    }
  }

  void write(const std::string & path) const
  {
    media::Picture sheet(columns_ * tile_width_, rows_ * std::max(2, tile_height_));
    for (std::size_t i = 0; i < tiles_.size() && i < static_cast<std::size_t>(columns_ * rows_); ++i) {
      const int x0 = static_cast<int>(i % columns_) * tile_width_;
      const int y0 = static_cast<int>(i / columns_) * tile_height_;
      for (int y = 0; y < tile_height_; ++y) {
        std::copy_n(
          tiles_[i].rgb.begin() + std::size_t(3) * tile_width_ * y, 3 * tile_width_,
          sheet.rgb.begin() + std::size_t(3) * (sheet.width * (y0 + y) + x0));
      }
    }
    media::write_png(path, sheet);
    std::cerr << "h26x_view: contact sheet " << path << " (" << columns_ << "x" << rows_ << " tiles of "
              << tile_width_ << "x" << tile_height_ << ", " << tiles_.size() << " frames)\n";
  }

private:
  const int columns_, rows_, tile_width_;
  const std::size_t total_;
  int tile_height_ = 0;
  uint64_t stride_ = 1;
  std::vector<media::Picture> tiles_;
};

// Live units from the topic, queued for the decoding thread.
class LiveSource : public eprosima::fastdds::dds::DataReaderListener
{
public:
  struct Unit
  {
    std::vector<uint8_t> data;
    Origin origin;
    annexb::Codec codec;
  };

  void on_data_available(eprosima::fastdds::dds::DataReader * reader) override
  {
    Compressed message;
    eprosima::fastdds::dds::SampleInfo info;
    while (reader->take_next_sample(&message, &info) == ReturnCode_t::RETCODE_OK) {
      if (!info.valid_data) {
        continue;
      }
      std::lock_guard<std::mutex> lock(mutex_);
      if (message.header.frame_id == tools::kEndOfStream) {
        ended_ = true;
      } else if (!message.images.empty()) {
        Image & image = message.images[0];
        units_.push_back({std::move(image.data), {message.header.stamp.sec, message.header.stamp.nanosec, image.count},
            image.encoding == "h265" ? annexb::Codec::H265 : annexb::Codec::H264});
      }
      arrived_.notify_all();
    }
  }

  // The next unit; false at the end of the stream, on a signal or after `timeout` of silence.
  bool next(Unit & unit, double timeout)
  {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
    while (units_.empty() && !ended_ && !stop_requested) {
      if (arrived_.wait_for(lock, std::chrono::milliseconds(50)) == std::cv_status::timeout &&
        timeout > 0 && std::chrono::steady_clock::now() >= deadline)
      {
        return false;
      }
    }
    if (units_.empty()) {
      return false;
    }
    unit = std::move(units_.front());
    units_.pop_front();
    return true;
  }

private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Unit> units_;
  bool ended_ = false;
};

void usage()
{
  std::cout <<
    "usage: h26x_view --input FILE | --live [--topic NAME ...]\n"
    "                 [--sheet FILE.png [--grid COLSxROWS] [--tile-width N]]\n"
    "                 [--frames DIR [--every N]] [--republish NAME] [--timeout SECONDS]\n"
    "Decodes an H.264 / H.265 recording (Annex-B, .mp4 or .mkv) or, with --live, the\n"
    "orvane_h26x_msgs/Compressed topic NAME (default /camera/h26x), and prints the frames\n"
    "decoded, decode errors, units skipped to the next key frame, size and frame rate\n"
    "(live: and the latency from each frame's stamp to its decoded picture).\n"
    "A damaged access unit is counted and skipped; decoding resumes at the next key frame.\n"
    "  --sheet FILE.png  a contact sheet: a grid (--grid, 4x4) of evenly spaced frames,\n"
    "                    each --tile-width (240) pixels wide\n"
    "  --frames DIR      every --every N-th (1) decoded frame as DIR/frame_NNNNNN.png\n"
    "  --republish NAME  each decoded frame as an rgb8 orvane_h26x_msgs/Image on the\n"
    "                    ROS topic NAME, with the stamp and count of its source frame\n"
    "  --timeout SECONDS live: end after this long without a frame (10; 0: never)\n"
    << tools::kStreamOptionsHelp;
}

int view(const tools::Options & options)
{
  const bool live = options.has("live");
  if (live == options.has("input")) {
    throw orvane_dds::UsageError("give either --input FILE or --live");
  }
  int columns = 4, rows = 4;
  char end = 0;
  if (options.has("grid") &&
    (std::sscanf(options.get("grid", "").c_str(), "%3dx%3d%c", &columns, &rows, &end) != 2 ||
    columns < 1 || rows < 1 || columns > 64 || rows > 64))
  {
    throw orvane_dds::UsageError("--grid '" + options.get("grid", "") + "' is not COLSxROWS (each 1 to 64)");
  }
  const int tile_width = static_cast<int>(options.number("tile-width", 240, 16, 4096)) & ~1;
  const uint64_t every = static_cast<uint64_t>(options.number("every", 1, 1, 1e9));
  const std::string frames_dir = options.get("frames", "");
  if (!frames_dir.empty()) {
    ::mkdir(frames_dir.c_str(), 0777);
  }

  tools::stop_on_signals();

  const tools::StreamOptions endpoint = tools::stream_options(options, false);
  std::unique_ptr<media::Recording> recording;
  std::unique_ptr<orvane_dds::Session> source_session;
  LiveSource live_source;
  std::size_t total = 0;
  if (live) {
    source_session = std::make_unique<orvane_dds::Session>(
      rosidl_typesupport_cpp::get_message_type_support_handle<Compressed>(),
      orvane_dds::MessageFactory{[] {return static_cast<void *>(new Compressed());},
        [](void * m) {delete static_cast<Compressed *>(m);}},
      endpoint.topic, endpoint.domain, endpoint.transport);
    source_session->reader(&live_source, true);
  } else {
    const std::string path = options.get("input", "");
    recording = std::make_unique<media::Recording>(path);
    total = recording->size_hint();
    if (total == 0 && options.has("sheet")) {
      media::Recording counting(path);
      std::vector<uint8_t> unit;
      int64_t time = 0;
      while (counting.next(unit, time)) {
        ++total;
      }
    }
  }

  std::unique_ptr<orvane_dds::Session> republish;
  eprosima::fastdds::dds::DataWriter * image_writer = nullptr;
  if (options.has("republish")) {
    republish = std::make_unique<orvane_dds::Session>(
      rosidl_typesupport_cpp::get_message_type_support_handle<Image>(),
      orvane_dds::MessageFactory{[] {return static_cast<void *>(new Image());},
        [](void * m) {delete static_cast<Image *>(m);}},
      tools::dds_topic(options.get("republish", "")), endpoint.domain, endpoint.transport);
    image_writer = republish->writer();
  }

  std::unique_ptr<media::Decoder> decoder;
  std::unique_ptr<ContactSheet> sheet;
  media::Scaler scaler;
  std::map<int64_t, Origin> origins;  // by decode index, until the frame is out
  uint64_t shown = 0;
  int width = 0, height = 0;
  double first_stamp = -1, last_stamp = 0;
  Image republished;
  republished.encoding = "rgb8";
  std::vector<double> latencies;  // live: from the source frame's stamp to its decoded picture

  const media::Decoder::Sink on_frame = [&](const AVFrame & frame) {
      width = frame.width;
      height = frame.height;
      const auto found = origins.find(frame.pts);
      const Origin origin = found == origins.end() ? Origin{} : found->second;
      if (found != origins.end()) {
        origins.erase(found);
      }
      while (origins.size() > 4096) {  // units whose frames were lost to damage
        origins.erase(origins.begin());
      }
      if (sheet) {
        sheet->offer(frame, shown, scaler);
      }
      if (!frames_dir.empty() && shown % every == 0) {
        char name[64];
        std::snprintf(name, sizeof(name), "/frame_%06llu.png", static_cast<unsigned long long>(shown));
        media::write_png(frames_dir + name, scaler.to_rgb(frame));
      }
      if (live && (origin.sec || origin.nanosec)) {
        latencies.push_back(tools::seconds_since(origin.sec, origin.nanosec));
      }
      if (image_writer) {
        media::Picture picture = scaler.to_rgb(frame);
        republished.header.stamp.sec = origin.sec;
        republished.header.stamp.nanosec = origin.nanosec;
        republished.header.frame_id = "camera";
        republished.count = origin.count;
        republished.width = static_cast<uint32_t>(picture.width);
        republished.height = static_cast<uint32_t>(picture.height);
        republished.step = 3 * republished.width;
        republished.data = std::move(picture.rgb);
        image_writer->write(&republished);
      }
      ++shown;
    };

  std::vector<uint8_t> unit;
  int64_t index = 0;
  const double timeout = options.number("timeout", 10, 0, 1e9);
  while (!stop_requested) {
    Origin origin;
    annexb::Codec codec;
    if (live) {
      LiveSource::Unit received;
      if (!live_source.next(received, timeout)) {
        break;
      }
      unit = std::move(received.data);
      origin = received.origin;
      codec = received.codec;
      const double stamp = origin.sec + origin.nanosec * 1e-9;
      first_stamp = first_stamp < 0 ? stamp : first_stamp;
      last_stamp = stamp;
    } else {
      int64_t time = 0;
      if (!recording->next(unit, time)) {
        break;
      }
      codec = recording->codec();
      if (time >= 0) {
        origin.sec = static_cast<int32_t>(time / 1000000000);
        origin.nanosec = static_cast<uint32_t>(time % 1000000000);
      }
      origin.count = static_cast<uint64_t>(index);
    }
    if (!decoder) {
      decoder = std::make_unique<media::Decoder>(codec, 0, live);
      if (options.has("sheet")) {
        sheet = std::make_unique<ContactSheet>(columns, rows, tile_width, total);
      }
    }
    origins[index] = origin;
    decoder->decode(unit.data(), unit.size(), index++, on_frame);
  }
  if (!decoder) {
    std::cerr << "h26x_view: no access units\n";
    return 1;
  }
  decoder->finish(on_frame);
  if (sheet) {
    sheet->write(options.get("sheet", ""));
  }
  const double rate = live ? (index > 1 && last_stamp > first_stamp ? (index - 1) / (last_stamp - first_stamp) : 0) :
    recording->frame_rate();
  std::printf("h26x_view: %llu frames decoded, %llu decode errors, %llu units skipped, %dx%d, %.3f frames/s\n",
    static_cast<unsigned long long>(decoder->frames()), static_cast<unsigned long long>(decoder->errors()),
    static_cast<unsigned long long>(decoder->skipped()), width, height, rate);
  if (!latencies.empty()) {
    std::printf("h26x_view: latency from the stamp to the decoded frame, ms: p50 %.1f p99 %.1f max %.1f\n",
      1e3 * tools::percentile(latencies, 0.5), 1e3 * tools::percentile(latencies, 0.99),
      1e3 * tools::percentile(latencies, 1.0));
  }
  return decoder->errors() == 0 ? 0 : 1;
}
}  // namespace

int main(int argc, char ** argv)
{
  return tools::run_stream_tool(
    "h26x_view", argc, argv, {"live"},
    {"input", "sheet", "grid", "tile-width", "frames", "every", "republish", "timeout"}, usage, view);
}
