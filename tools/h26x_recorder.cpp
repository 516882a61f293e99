// Records the package's messages from any ROS 2 or DDS writer, reliable or
// best-effort: a Compressed (or MultiCompressed) topic's streams each into a
// file of its own, as they came (Annex-B) or in an MP4 or Matroska container
// timed by the message stamps; or any topics of the package's messages into
// a rosbag2 bag (MCAP storage), each message's CDR bytes as they came. Ends
// at the end-of-stream marker, on SIGINT or SIGTERM, after --frames messages
// or --duration seconds, or when nothing arrives for --timeout seconds;
// always with a summary.

#include <memory>

#include "options.hpp"
#include "sinks/bag_sink.hpp"
#include "sinks/reception.hpp"
#include "sinks/stream_files.hpp"
#include "sources/topic_source.hpp"

namespace
{
struct Options
{
  std::string output = "recorded.h26x";
  std::string format;  // "bag", or by the output's name
  bool overwrite = false;
  bool multi = false;
  std::vector<std::string> topics;
  bool all = false;
  std::string compression = "zstd";
  uint64_t chunk_size = uint64_t{4} << 20;
  uint64_t max_bag_size = 0;
  double max_bag_duration = 0;
  uint64_t split_size = 0;
  double split_duration = 0;
  std::size_t max_streams = 16;
  uint64_t frames = 0;
  double duration = 0;
  double timeout = 30;
  tools::StreamOptions stream;
};

bool wants_bag(const Options & options)
{
  const std::string & name = options.output;
  return options.format == "bag" || (name.size() > 5 && name.compare(name.size() - 5, 5, ".mcap") == 0);
}

// A bag's folder: NAME, the output without ".mcap".
bag::BagWriter::Options bag_options(const Options & options)
{
  bag::BagWriter::Options bag;
  bag.folder = options.output;
  if (bag.folder.size() > 5 && bag.folder.compare(bag.folder.size() - 5, 5, ".mcap") == 0) {
    bag.folder.resize(bag.folder.size() - 5);
  }
  bag.overwrite = options.overwrite;
  const std::optional<bag::Compression> compression = bag::compression_named(options.compression);
  if (!compression) {
    throw orvane_dds::UsageError("--compression '" + options.compression + "' is not zstd, lz4 or none");
  }
  bag.mcap.compression = *compression;
  bag.mcap.chunk_size = options.chunk_size;
  bag.split_bytes = options.max_bag_size ? options.max_bag_size : options.split_size;
  const double seconds = options.max_bag_duration ? options.max_bag_duration : options.split_duration;
  bag.split_nanoseconds = static_cast<uint64_t>(seconds * 1e9);
  return bag;
}

sources::TopicSource::Settings source_settings(const Options & options, bool bag)
{
  sources::TopicSource::Settings settings;
  settings.domain = options.stream.domain_id();
  settings.transport = options.stream.transport_kind();
  settings.keep_bytes = bag;
  settings.max_streams = options.max_streams;
  settings.idle_timeout = options.timeout;
  settings.duration = options.duration;
  const auto type = options.multi ? sources::MessageType::MULTI_COMPRESSED : sources::MessageType::COMPRESSED;
  if (!bag) {
    if (options.topics.size() > 1 || options.all) {
      throw orvane_dds::UsageError("several topics (--topic repeated, --all) go into a bag (--format bag)");
    }
    settings.topics.push_back({options.stream.dds_topic(options.multi ? "/camera/h26x_multi" : "/camera/h26x"),
        type});
    return settings;
  }
  // A bag takes any of the package's messages, each topic's type as discovery tells it.
  for (const std::string & topic : options.topics) {
    settings.found_topics.push_back(tools::dds_topic(topic));
  }
  if (options.topics.empty() && !options.all) {
    settings.found_topics.push_back(options.stream.dds_topic(options.multi ? "/camera/h26x_multi" : "/camera/h26x"));
  }
  if (options.all) {
    settings.all_of = {sources::MessageType::COMPRESSED, sources::MessageType::MULTI_COMPRESSED,
      sources::MessageType::IMAGE};
  }
  return settings;
}

int summary(const sources::TopicSource & source, const stream::RunResult & result, bool received, bool written,
  uint64_t lost, uint64_t skipped, uint64_t restarts = 0)
{
  if (restarts > 0) {
    stream::note("the stream started again " + std::to_string(restarts) + (restarts == 1 ? " time" : " times") +
      " (its publisher was restarted): recorded on, from its key frame");
  }
  if (result.stopped) {
    stream::note("stopped by signal");
  } else if (!source.ending().empty()) {
    stream::note(source.ending());
  }
  std::fprintf(stderr, "%s: %llu frames lost; %llu units skipped to a key frame; %llu malformed samples; "
    "%llu samples with too many streams; %llu samples dropped while the files fell behind\n", stream::program(),
    static_cast<unsigned long long>(lost), static_cast<unsigned long long>(skipped),
    static_cast<unsigned long long>(source.malformed()), static_cast<unsigned long long>(source.too_many_streams()),
    static_cast<unsigned long long>(source.dropped()));
  return received && written && lost == 0 && source.ok() ? 0 : 1;
}

int record(const Options & options)
{
  media::set_ffmpeg_log(options.stream.verbose);
  const bool bag = wants_bag(options);
  const sources::TopicSource::Settings settings = source_settings(options, bag);
  sinks::Reception reception;
  stream::stop_on_signals();
  if (bag) {
    // The bag first: one that cannot be written fails before anything is awaited.
    std::unique_ptr<sources::TopicSource> source;
    sinks::BagSink bag_sink(bag_options(options), [&source](const std::string & topic) {
        return source->offered_qos(topic);
      });
    source = std::make_unique<sources::TopicSource>(settings);
    source->on_tick([&bag_sink] {bag_sink.tick();});
    const stream::RunResult result = stream::run(*source, {&reception, &bag_sink}, options.frames);
    const bool received = reception.report();
    return summary(*source, result, received, bag_sink.report(), 0, 0);
  }
  sinks::StreamFiles files(options.output, options.multi, options.overwrite,
    sinks::StreamFiles::Split{options.split_size, options.split_duration});
  sources::TopicSource source(settings);
  const stream::RunResult result = stream::run(source, {&reception, &files}, options.frames);
  const bool received = reception.report();
  const bool written = files.report();
  return summary(source, result, received, written, files.lost(), files.skipped(), files.restarts());
}
}  // namespace

int main(int argc, char ** argv)
{
  Options options;
  CLI::App app{
    "Records the package's messages: the streams of orvane_h26x_msgs/Compressed (MultiCompressed with --multi)\n"
    "from the ROS topic NAME (default /camera/h26x, or /camera/h26x_multi), or any topics of the package's\n"
    "messages into a rosbag2 bag, from reliable and best-effort writers alike.",
    "h26x_recorder"};
  app.add_option("--output", options.output,
    "FILE (recorded.h26x): Annex-B bytes as they came; FILE.mp4 (fragmented MP4) or FILE.mkv (Matroska) hold "
    "H.264 / H.265 without re-encoding, timed by the stamps. Several streams: FILE.<k> (FILE.<k>.mp4); "
    "with --multi the originals go to FILE.original.<k>. NAME.mcap (or --format bag): a bag folder NAME");
  app.add_option("--format", options.format, "bag: a rosbag2 bag folder (MCAP storage), whatever the name")
  ->check(CLI::IsMember({"bag"}));
  app.add_flag("--overwrite", options.overwrite, "replace files that exist (otherwise an error)");
  app.add_flag("--multi", options.multi, "record MultiCompressed");
  app.add_option("--topic", options.topics, "ROS topic name (rt/NAME on DDS); repeat for several into a bag");
  app.add_flag("--all", options.all, "into a bag: every topic of Compressed, MultiCompressed or Image found");
  app.add_option("--compression", options.compression, "a bag's chunks: zstd (default), lz4 or none");
  app.add_option("--chunk-size", options.chunk_size, "a bag's chunks close at this many bytes (4 MiB) or after 1 s")
  ->check(CLI::Range(uint64_t{1024}, uint64_t{1} << 30));
  app.add_option("--max-bag-size", options.max_bag_size, "a new bag file after this many bytes (0: never)");
  app.add_option("--max-bag-duration", options.max_bag_duration, "a new bag file after SECONDS (0: never)")
  ->check(CLI::Range(0.0, 1e9));
  app.add_option("--split-size", options.split_size,
    "long recordings in pieces OUT_000.mp4, OUT_001.mp4, ...: a new one at the first key frame after BYTES (a bag: "
    "a new file, as --max-bag-size)");
  app.add_option("--split-duration", options.split_duration,
    "a new piece at the first key frame after SECONDS (a bag: as --max-bag-duration)")->check(CLI::Range(0.0, 1e9));
  app.add_option("--max-streams", options.max_streams, "a sample with more streams is dropped (16)")
  ->check(CLI::Range(std::size_t{1}, std::size_t{65536}));
  app.add_option("--frames", options.frames, "stop after N messages")
  ->check(CLI::Range(uint64_t{0}, uint64_t{1000000000000000}));
  app.add_option("--duration", options.duration, "stop after SECONDS")->check(CLI::Range(0.0, 1e9));
  app.add_option("--timeout", options.timeout, "stop when nothing arrives for SECONDS (30; 0 waits for ever)")
  ->check(CLI::Range(0.0, 1e9));
  options.stream.add_to(app, false);
  app.footer(
    "QoS requested: a reliable and a best-effort reader, both volatile and keep-all. Every file is made\n"
    "before anything is awaited; an existing one is an error unless --overwrite, and a file another\n"
    "program writes is always one. A video stream is written from its first key frame, and after frames\n"
    "were lost from the next key frame. A write that fails ends that file on its last whole frame (a\n"
    "bag's on its last whole chunk). Prints frames, bytes, throughput, latency percentiles, frames lost,\n"
    "malformed samples and samples dropped. Exit status 1 when frames were lost, a file failed or holds\n"
    "nothing, or nothing came in time; 2 for a usage error.");
  return tools::run_tool("h26x_recorder", app, argc, argv, [&] {
             if (options.topics.size() == 1 && options.stream.topic.empty()) {
               options.stream.topic = options.topics[0];
             }
             return record(options);
           });
}
