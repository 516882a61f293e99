// Records what h26x_publisher sends: receives through the C++ message classes
// and their CDR type support, and writes every stream's frames back as an
// Annex-B file. Ends at the end-of-stream marker with a summary.

#include <condition_variable>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>

#include "dds/session.hpp"
#include "fastdds/dds/subscriber/DataReader.hpp"
#include "fastdds/dds/subscriber/SampleInfo.hpp"
#include "orvane_h26x_msgs/msg/compressed.hpp"
#include "rosidl_typesupport_cpp/message_type_support.hpp"
#include "orvane_h26x_msgs/msg/multi_compressed.hpp"
#include "program_support.hpp"

namespace
{
using orvane_h26x_msgs::msg::Compressed;
using orvane_h26x_msgs::msg::MultiCompressed;

// One recorded stream: its file, and what arrived of it.
struct Track
{
  std::string path;
  std::ofstream file;
  uint64_t frames = 0;
  uint64_t bytes = 0;
  uint64_t next_count = 0;
  uint64_t lost = 0;
  uint64_t sent = 0;

  void add(uint64_t count, const std::vector<uint8_t> & data)
  {
    if (count > next_count) {
      lost += count - next_count;
    }
    next_count = count + 1;
    file.write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
    ++frames;
    bytes += data.size();
  }
};

class Recorder : public eprosima::fastdds::dds::DataReaderListener
{
public:
  Recorder(bool multi, std::string output) : multi_(multi), output_(std::move(output)) {}

  void on_data_available(eprosima::fastdds::dds::DataReader * reader) override
  {
    eprosima::fastdds::dds::SampleInfo info;
    if (multi_) {
      MultiCompressed message;
      while (reader->take_next_sample(&message, &info) == ReturnCode_t::RETCODE_OK) {
        if (info.valid_data) {
          handle(message.header, message.h26x_images);
        }
      }
    } else {
      Compressed message;
      while (reader->take_next_sample(&message, &info) == ReturnCode_t::RETCODE_OK) {
        if (info.valid_data) {
          handle(message.header, message.images);
        }
      }
    }
  }

  // Waits for the end-of-stream marker; false on timeout.
  bool wait(std::chrono::seconds timeout)
  {
    std::unique_lock<std::mutex> lock(mutex_);
    return done_changed_.wait_for(lock, timeout, [this] {return done_;});
  }

  int summary() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    uint64_t frames = 0, bytes = 0, lost = 0;
    for (const auto & track : tracks_) {
      frames += track->frames;
      bytes += track->bytes;
      lost += track->lost + (track->sent > track->next_count ? track->sent - track->next_count : 0);
      std::fprintf(stderr, "recorded %s: %llu frames, %llu bytes\n", track->path.c_str(),
        static_cast<unsigned long long>(track->frames), static_cast<unsigned long long>(track->bytes));
    }
    const double span = last_arrival_ - first_arrival_;
    std::fprintf(
      stderr,
      "recorder: %llu frames, %llu bytes, %.2f MB/s over %.3f s; latency ms p50 %.3f p90 %.3f p99 %.3f "
      "max %.3f; %llu frames lost%s\n",
      static_cast<unsigned long long>(frames), static_cast<unsigned long long>(bytes),
      span > 0 ? bytes / span / 1e6 : 0.0, span, 1e3 * tools::percentile(latencies_, 0.5),
      1e3 * tools::percentile(latencies_, 0.9), 1e3 * tools::percentile(latencies_, 0.99),
      1e3 * tools::percentile(latencies_, 1.0), static_cast<unsigned long long>(lost),
      done_ ? "" : " (no end-of-stream marker)");
    return done_ && lost == 0 ? 0 : 1;
  }

private:
  template<class Images>
  void handle(const std_msgs::msg::Header & header, const Images & images)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const double now = seconds_now();
    first_arrival_ = frames_seen_ == 0 ? now : first_arrival_;
    last_arrival_ = now;
    while (tracks_.size() < images.size()) {
      auto track = std::make_unique<Track>();
      track->path = multi_ ? output_ + "." + std::to_string(tracks_.size()) : output_;
      track->file.open(track->path, std::ios::binary | std::ios::trunc);
      tracks_.push_back(std::move(track));
    }
    if (header.frame_id == tools::kEndOfStream) {
      for (std::size_t k = 0; k < images.size(); ++k) {
        tracks_[k]->sent = images[k].count;
        tracks_[k]->file.flush();
      }
      done_ = true;
      done_changed_.notify_all();
      return;
    }
    latencies_.push_back(tools::seconds_since(header.stamp.sec, header.stamp.nanosec));
    for (std::size_t k = 0; k < images.size(); ++k) {
      if (carries_frame(images[k])) {
        tracks_[k]->add(images[k].count, images[k].data);
      }
    }
    if (++frames_seen_ % 25 == 0) {
      std::cerr << "recorder: " << frames_seen_ << " frames received\n";
    }
  }

  // A MultiImage says whether its stream had a frame at this index.
  static bool carries_frame(const orvane_h26x_msgs::msg::Image &) {return true;}
  static bool carries_frame(const orvane_h26x_msgs::msg::MultiImage & image)
  {
    return !image.is_vaild.empty() && image.is_vaild[0];
  }

  static double seconds_now()
  {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }

  const bool multi_;
  const std::string output_;
  mutable std::mutex mutex_;
  std::condition_variable done_changed_;
  bool done_ = false;
  uint64_t frames_seen_ = 0;
  double first_arrival_ = 0, last_arrival_ = 0;
  std::vector<double> latencies_;
  std::vector<std::unique_ptr<Track>> tracks_;
};

void usage()
{
  std::cout <<
    "usage: h26x_recorder [--output FILE] [--multi] [--topic NAME] [--domain N]\n"
    "                     [--transport shm|udp-loopback|all-interfaces] [--timeout SECONDS]\n"
    "Writes the frames that h26x_publisher sends back as an Annex-B file (with --multi,\n"
    "one file FILE.<k> per stream), then prints frames, bytes, throughput, latency\n"
    "percentiles and frames lost.\n";
}
}  // namespace

int main(int argc, char ** argv)
try {
  const tools::Options options(argc, argv, {"multi"});
  if (options.help) {
    usage();
    return 0;
  }
  const tools::StreamOptions endpoint = tools::stream_options(options, options.has("multi"));
  const bool multi = endpoint.multi;
  Recorder recorder(multi, options.get("output", "recorded.h26x"));

  orvane_dds::MessageFactory factory;
  const rosidl_message_type_support_t * handle;
  if (multi) {
    handle = rosidl_typesupport_cpp::get_message_type_support_handle<MultiCompressed>();
    factory = {[] {return static_cast<void *>(new MultiCompressed());},
      [](void * m) {delete static_cast<MultiCompressed *>(m);}};
  } else {
    handle = rosidl_typesupport_cpp::get_message_type_support_handle<Compressed>();
    factory = {[] {return static_cast<void *>(new Compressed());}, [](void * m) {delete static_cast<Compressed *>(m);}};
  }
  orvane_dds::Session session(
    handle, factory, endpoint.topic, endpoint.domain, orvane_dds::parse_transport(endpoint.transport));
  session.reader(&recorder);
  const bool ended = recorder.wait(std::chrono::seconds(std::stoi(options.get("timeout", "30"))));
  if (!ended) {
    std::cerr << "no end-of-stream marker within the timeout\n";
  }
  return recorder.summary();
} catch (const std::exception & error) {
  std::cerr << "h26x_recorder: " << error.what() << "\n";
  return 1;
}
