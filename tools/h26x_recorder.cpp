// Records orvane_h26x_msgs/Compressed (or MultiCompressed with --multi) from
// any ROS 2 or DDS writer on the topic, reliable or best-effort: receives
// through the C++ message classes and their CDR type support, and writes each
// stream (image index) back as it came, an Annex-B file for H.26x, or into an
// MP4 or Matroska container timed by the message stamps. Ends at
// the end-of-stream marker, on SIGINT or SIGTERM, after --frames messages or
// --duration seconds, or when nothing arrives for --timeout seconds; always
// with a summary.

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <set>
#include <type_traits>

#include <sys/resource.h>

#include "dds/session.hpp"
#include "fastdds/dds/subscriber/DataReader.hpp"
#include "fastdds/dds/subscriber/SampleInfo.hpp"
#include "media/media.hpp"
#include "orvane_h26x_msgs/msg/compressed.hpp"
#include "orvane_h26x_msgs/msg/multi_compressed.hpp"
#include "program_support.hpp"
#include "rosidl_typesupport_cpp/message_type_support.hpp"

namespace
{
using namespace eprosima::fastdds::dds;
using eprosima::fastrtps::rtps::GUID_t;
using eprosima::fastrtps::rtps::WriterDiscoveryInfo;
using orvane_h26x_msgs::msg::Compressed;
using orvane_h26x_msgs::msg::MultiCompressed;

using tools::stop_requested;

// The writers on the topic that offer best-effort only, as discovery reports
// them. Their samples reach the best-effort reader alone; a reliable writer's
// samples reach both readers, and the best-effort reader drops its copies.
class BestEffortWriters : public DomainParticipantListener
{
public:
  explicit BestEffortWriters(std::string topic) : topic_(std::move(topic)) {}

  void on_publisher_discovery(DomainParticipant *, WriterDiscoveryInfo && info) override
  {
    if (info.info.topicName().to_string() != topic_) {
      return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (info.status != WriterDiscoveryInfo::REMOVED_WRITER &&
      info.info.m_qos.m_reliability.kind == BEST_EFFORT_RELIABILITY_QOS)
    {
      writers_.insert(info.info.guid());
    } else {
      writers_.erase(info.info.guid());
    }
  }

  bool contains(const eprosima::fastrtps::rtps::InstanceHandle_t & writer) const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return writers_.count(eprosima::fastrtps::rtps::iHandle2GUID(writer)) > 0;
  }

private:
  const std::string topic_;
  mutable std::mutex mutex_;
  std::set<GUID_t> writers_;
};

// One recorded stream: its file (Annex-B as it came, or an MP4 / Matroska
// container), and what arrived of it.
struct Track
{
  std::string path;
  std::ofstream file;
  bool to_container = false;  // FILE.mp4 / FILE.mkv
  std::unique_ptr<media::ContainerWriter> container;
  bool unusable = false;  // not H.26x, or the container failed: nothing more is written
  uint64_t frames = 0;
  uint64_t bytes = 0;
  uint64_t next_count = 0;
  uint64_t lost = 0;  // gaps in `count`
  uint64_t sent = 0;  // as the end-of-stream marker reports, if one came

  void add(uint64_t count, const std::vector<uint8_t> & data, const std::string & encoding, int64_t stamp_ns)
  {
    if (frames > 0 && count > next_count) {
      lost += count - next_count;
    }
    next_count = count + 1;
    if (to_container) {
      if (!container && !unusable) {
        if (encoding != "h264" && encoding != "h265") {
          std::fprintf(stderr, "recorder: %s holds %s, not H.264 or H.265: nothing written\n", path.c_str(),
            encoding.c_str());
          unusable = true;
        } else {
          container = std::make_unique<media::ContainerWriter>(
            path, encoding == "h265" ? annexb::Codec::H265 : annexb::Codec::H264);
        }
      }
      try {
        if (container) {
          container->write(data.data(), data.size(), stamp_ns);
        }
      } catch (const media::Error & error) {  // on the middleware's thread: reported, not thrown
        std::fprintf(stderr, "recorder: %s\n", error.what());
        container.reset();
        unusable = true;
      }
    } else {
      file.write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    ++frames;
    bytes += data.size();
  }

  void close()
  {
    file.close();
    if (container) {
      container->close();
      if (container->skipped()) {
        std::fprintf(stderr, "recorder: %s: %llu frames before the first key frame left out\n", path.c_str(),
          static_cast<unsigned long long>(container->skipped()));
      }
    }
  }
};

// FILE, or FILE.<k> (FILE.<k>.mp4 for a container) for stream k.
std::string stream_path(const std::string & output, std::size_t k, bool numbered)
{
  if (!numbered) {
    return output;
  }
  const std::size_t dot = output.rfind('.');
  if (media::is_container(output)) {
    return output.substr(0, dot) + "." + std::to_string(k) + output.substr(dot);
  }
  return output + "." + std::to_string(k);
}

struct Settings
{
  bool multi;
  std::string output;
  std::size_t max_streams;
  uint64_t frame_limit;  // 0: none
};

class Recorder
{
public:
  Recorder(Settings settings, const BestEffortWriters & best_effort_writers)
  : settings_(std::move(settings)), best_effort_writers_(best_effort_writers) {}

  // Takes what `reader` has. The best-effort reader keeps the samples of
  // best-effort writers only, and drops the others unread.
  void take(DataReader * reader, bool best_effort_reader)
  {
    if (settings_.multi) {
      take_all<MultiCompressed>(reader, best_effort_reader);
    } else {
      take_all<Compressed>(reader, best_effort_reader);
    }
  }

  // True once the marker came or --frames were recorded; waits up to `timeout` for that.
  bool finished(std::chrono::milliseconds timeout)
  {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] {return finished_;});
  }

  // Seconds since the last sample (or since the start).
  double idle_seconds() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return seconds_now() - last_activity_;
  }

  // Takes no more samples; everything received is in the files, which close.
  void stop()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    for (auto & track : tracks_) {
      try {
        track->close();
      } catch (const media::Error & error) {
        std::fprintf(stderr, "recorder: %s\n", error.what());
      }
    }
  }

  // The summary on stderr; the exit status: 0 unless frames were lost or the recording timed out.
  int summary(uint64_t malformed, bool timed_out) const
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
      "recorder: %llu frames, %llu bytes, %.2f MB/s, %.2f frames/s over %.3f s; latency ms p50 %.3f p90 %.3f "
      "p99 %.3f max %.3f; %llu frames lost; %llu malformed samples; %llu samples with too many streams; "
      "peak memory %ld MiB%s\n",
      static_cast<unsigned long long>(frames), static_cast<unsigned long long>(bytes),
      span > 0 ? bytes / span / 1e6 : 0.0, span > 0 ? (messages_ - 1) / span : 0.0, span,
      1e3 * tools::percentile(latencies_, 0.5), 1e3 * tools::percentile(latencies_, 0.9),
      1e3 * tools::percentile(latencies_, 0.99), 1e3 * tools::percentile(latencies_, 1.0),
      static_cast<unsigned long long>(lost), static_cast<unsigned long long>(malformed),
      static_cast<unsigned long long>(too_many_streams_), peak_memory_mib(),
      ended_by_marker_ ? "" : " (no end-of-stream marker)");
    return lost == 0 && !timed_out ? 0 : 1;
  }

private:
  template<class Message>
  void take_all(DataReader * reader, bool best_effort_reader)
  {
    Message message;
    SampleInfo info;
    eprosima::fastrtps::rtps::SampleIdentity failed;
    while (reader->get_first_untaken_info(&info) == ReturnCode_t::RETCODE_OK) {
      if (best_effort_reader && !best_effort_writers_.contains(info.publication_handle)) {
        orvane_dds::HandleTopicType::Discard discard;
        reader->take_next_sample(&message, &info);
        continue;
      }
      // A sample that does not deserialize is counted and removed by Fast DDS
      // (take says NO_DATA); the samples behind it are taken all the same.
      const eprosima::fastrtps::rtps::SampleIdentity identity = info.sample_identity;
      if (identity == failed) {
        break;
      }
      if (reader->take_next_sample(&message, &info) != ReturnCode_t::RETCODE_OK) {
        failed = identity;
        continue;
      }
      if (info.valid_data) {
        if constexpr (std::is_same_v<Message, MultiCompressed>) {
          handle(message.header, message.h26x_images, message.original_images);
        } else {
          handle(message.header, message.images, {});
        }
      }
    }
  }

  template<class Images>
  void handle(
    const std_msgs::msg::Header & header, const Images & images,
    const std::vector<orvane_h26x_msgs::msg::OriginalImage> & original_images)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_ || finished_) {
      return;
    }
    const double now = seconds_now();
    last_activity_ = now;
    if (images.size() > settings_.max_streams) {
      ++too_many_streams_;
      std::fprintf(stderr, "recorder: dropped a sample with %zu streams (--max-streams %zu)\n",
        images.size(), settings_.max_streams);
      return;
    }
    if (!open_tracks(images.size())) {
      finished_ = true;
      changed_.notify_all();
      return;
    }
    if (header.frame_id == tools::kEndOfStream) {
      for (std::size_t k = 0; k < images.size(); ++k) {
        tracks_[k]->sent = images[k].count;
      }
      ended_by_marker_ = finished_ = true;
      changed_.notify_all();
      return;
    }
    first_arrival_ = messages_ == 0 ? now : first_arrival_;
    last_arrival_ = now;
    latencies_.push_back(tools::seconds_since(header.stamp.sec, header.stamp.nanosec));
    const int64_t stamp_ns = int64_t(header.stamp.sec) * 1000000000 + header.stamp.nanosec;
    for (std::size_t k = 0; k < images.size(); ++k) {
      if (carries_frame(images[k])) {
        tracks_[k]->add(images[k].count, images[k].data, images[k].encoding, stamp_ns);
      }
    }
    if (!originals_.empty() || !original_images.empty()) {
      write_originals(original_images);
    }
    if (++messages_ % 25 == 0) {
      std::cerr << "recorder: " << messages_ << " frames received\n";
    }
    if (settings_.frame_limit && messages_ >= settings_.frame_limit) {
      finished_ = true;
      changed_.notify_all();
    }
  }

  // The original images of a MultiCompressed, each index k as raw frames back
  // to back in FILE.original.<k> (their size and encoding go to stderr once).
  void write_originals(const std::vector<orvane_h26x_msgs::msg::OriginalImage> & images)
  {
    while (originals_.size() < images.size() && originals_.size() < settings_.max_streams) {
      const std::string path = settings_.output + ".original." + std::to_string(originals_.size());
      originals_.push_back(std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc));
      const auto & image = images[originals_.size() - 1];
      std::fprintf(stderr, "recorder: original images %s: %s %ux%u\n", path.c_str(), image.encoding.c_str(),
        image.width, image.height);
    }
    for (std::size_t k = 0; k < images.size() && k < originals_.size(); ++k) {
      originals_[k]->write(reinterpret_cast<const char *>(images[k].data.data()),
        static_cast<std::streamsize>(images[k].data.size()));
      originals_[k]->flush();
    }
  }

  // One file per image index: FILE while there is one stream, FILE.<k> for
  // each when there are several (as --multi always names them). False when a
  // file cannot be written.
  bool open_tracks(std::size_t streams)
  {
    if (!settings_.multi && tracks_.size() == 1 && streams > 1 && !tracks_[0]->container) {
      const std::string renamed = stream_path(settings_.output, 0, true);
      if (std::rename(tracks_[0]->path.c_str(), renamed.c_str()) == 0) {
        tracks_[0]->path = renamed;
      }
    }
    while (tracks_.size() < streams) {
      auto track = std::make_unique<Track>();
      track->path = stream_path(settings_.output, tracks_.size(), settings_.multi || streams > 1);
      track->to_container = media::is_container(track->path);
      if (!track->to_container) {
        track->file.open(track->path, std::ios::binary | std::ios::trunc);
      }
      if (!track->to_container && !track->file) {
        std::fprintf(stderr, "recorder: cannot write %s\n", track->path.c_str());
        return false;
      }
      tracks_.push_back(std::move(track));
    }
    return true;
  }

  // A MultiImage says whether its stream had a frame at this index.
  static bool carries_frame(const orvane_h26x_msgs::msg::Image &) {return true;}
  static bool carries_frame(const orvane_h26x_msgs::msg::MultiImage & image)
  {
    return !image.is_vaild.empty() && image.is_vaild[0];
  }

  static long peak_memory_mib()
  {
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
  }

  static double seconds_now()
  {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }

  const Settings settings_;
  const BestEffortWriters & best_effort_writers_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool finished_ = false;
  bool ended_by_marker_ = false;
  bool stopped_ = false;
  uint64_t messages_ = 0;
  uint64_t too_many_streams_ = 0;
  double first_arrival_ = 0, last_arrival_ = 0;
  double last_activity_ = seconds_now();
  std::vector<double> latencies_;
  std::vector<std::unique_ptr<Track>> tracks_;
  std::vector<std::unique_ptr<std::ofstream>> originals_;
};

class ReaderListener : public DataReaderListener
{
public:
  ReaderListener(Recorder & recorder, bool best_effort) : recorder_(recorder), best_effort_(best_effort) {}
  void on_data_available(DataReader * reader) override {recorder_.take(reader, best_effort_);}

private:
  Recorder & recorder_;
  const bool best_effort_;
};

void usage()
{
  std::cout <<
    "usage: h26x_recorder [--output FILE] [--multi] [--max-streams N]\n"
    "                     [--frames N] [--duration SECONDS] [--timeout SECONDS]\n"
    "                     [--topic NAME] [--domain N] [--transport T]\n"
    "Records orvane_h26x_msgs/Compressed (MultiCompressed with --multi) from the ROS topic\n"
    "NAME (default /camera/h26x, or /camera/h26x_multi), from reliable and best-effort\n"
    "writers alike (QoS requested: a reliable and a best-effort reader, both volatile and\n"
    "keep-all): each image index is one stream, written to FILE (recorded.h26x) while\n"
    "there is one stream and to FILE.<k> when there are several (always with --multi).\n"
    "FILE.mp4 (fragmented MP4) or FILE.mkv (Matroska), FILE.<k>.mp4 for several, hold\n"
    "H.264 / H.265 without re-encoding, timed by the message stamps, written as they\n"
    "come so that they play however the recording ends; any other name holds Annex-B\n"
    "bytes as they came. With --multi the original images go to FILE.original.<k>.\n"
    "A sample with more than --max-streams (16) streams is dropped. Ends at the\n"
    "end-of-stream marker, on Ctrl-C or SIGTERM, after --frames N messages, after\n"
    "--duration SECONDS, or when nothing arrives for --timeout SECONDS (30; 0 waits for\n"
    "ever), then prints frames, bytes, throughput, latency percentiles, frames lost,\n"
    "malformed samples and samples dropped. Exit status 1 when frames were lost or\n"
    "nothing came in time, 2 for a usage error.\n"
    << tools::kStreamOptionsHelp;
}

int record(const tools::Options & options)
{
  const tools::StreamOptions endpoint = tools::stream_options(options, options.has("multi"));
  const Settings settings{
    endpoint.multi, options.get("output", "recorded.h26x"),
    static_cast<std::size_t>(options.number("max-streams", 16, 1, 1 << 16)),
    static_cast<uint64_t>(options.number("frames", 0, 0, 1e15))};
  const double duration = options.number("duration", 0, 0, 1e9);
  const double timeout = options.number("timeout", 30, 0, 1e9);

  tools::stop_on_signals();

  BestEffortWriters best_effort_writers(endpoint.topic);
  Recorder recorder(settings, best_effort_writers);
  ReaderListener reliable(recorder, false), best_effort(recorder, true);

  orvane_dds::MessageFactory factory;
  const rosidl_message_type_support_t * type_supports;
  if (settings.multi) {
    type_supports = rosidl_typesupport_cpp::get_message_type_support_handle<MultiCompressed>();
    factory = {[] {return static_cast<void *>(new MultiCompressed());},
      [](void * m) {delete static_cast<MultiCompressed *>(m);}};
  } else {
    type_supports = rosidl_typesupport_cpp::get_message_type_support_handle<Compressed>();
    factory = {[] {return static_cast<void *>(new Compressed());}, [](void * m) {delete static_cast<Compressed *>(m);}};
  }
  orvane_dds::Session session(
    type_supports, factory, endpoint.topic, endpoint.domain, endpoint.transport, &best_effort_writers);
  session.reader(&reliable, true);
  session.reader(&best_effort, false);

  const auto start = std::chrono::steady_clock::now();
  bool timed_out = false;
  while (!recorder.finished(std::chrono::milliseconds(20))) {
    if (stop_requested) {
      std::cerr << "recorder: stopped by signal\n";
      break;
    }
    if (duration > 0 && std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= duration) {
      break;
    }
    if (timeout > 0 && recorder.idle_seconds() >= timeout) {
      std::cerr << "recorder: nothing received for " << timeout << " s\n";
      timed_out = true;
      break;
    }
  }
  recorder.stop();
  return recorder.summary(session.malformed(), timed_out);
}
}  // namespace

int main(int argc, char ** argv)
{
  return tools::run_stream_tool("h26x_recorder", argc, argv, {"multi"}, {"output", "max-streams", "frames", "duration", "timeout"}, usage, record);
}
