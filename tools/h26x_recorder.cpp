// Records orvane_h26x_msgs/Compressed (or MultiCompressed with --multi) from
// any ROS 2 or DDS writer on the topic, reliable or best-effort: each stream
// (image index) into its own file, as it came (Annex-B) or in an MP4 or
// Matroska container timed by the message stamps. Ends at the end-of-stream
// marker, on SIGINT or SIGTERM, after --frames messages or --duration
// seconds, or when nothing arrives for --timeout seconds; always with a
// summary.

#include "options.hpp"
#include "sinks/reception.hpp"
#include "sinks/stream_files.hpp"
#include "sources/topic_source.hpp"

namespace
{
struct Options
{
  std::string output = "recorded.h26x";
  bool multi = false;
  bool overwrite = false;
  std::size_t max_streams = 16;
  uint64_t frames = 0;
  double duration = 0;
  double timeout = 30;
  tools::StreamOptions stream;
};

int record(const Options & options)
{
  media::set_ffmpeg_log(options.stream.verbose);
  // The files first: a path that cannot be written fails before anything is awaited.
  sinks::StreamFiles files(options.output, options.multi, options.overwrite);
  sinks::Reception reception;
  sources::TopicSource::Settings settings;
  settings.shape = options.multi ? sources::MessageShape::MULTI_COMPRESSED : sources::MessageShape::COMPRESSED;
  settings.topic = options.stream.dds_topic(options.multi ? "/camera/h26x_multi" : "/camera/h26x");
  settings.domain = options.stream.domain_id();
  settings.transport = options.stream.transport_kind();
  settings.max_streams = options.max_streams;
  settings.idle_timeout = options.timeout;
  settings.duration = options.duration;
  stream::stop_on_signals();
  sources::TopicSource source(settings);

  const stream::RunResult result = stream::run(source, {&reception, &files}, options.frames);
  if (result.stopped) {
    stream::note("stopped by signal");
  } else if (!source.ending().empty()) {
    stream::note(source.ending());
  }
  const bool received = reception.report();
  const bool written = files.report();
  const uint64_t lost = files.lost();
  std::fprintf(stderr, "%s: %llu frames lost; %llu units skipped to a key frame; %llu malformed samples; "
    "%llu samples with too many streams; %llu samples dropped while the files fell behind\n", stream::program(),
    static_cast<unsigned long long>(lost), static_cast<unsigned long long>(files.skipped()),
    static_cast<unsigned long long>(source.malformed()), static_cast<unsigned long long>(source.too_many_streams()),
    static_cast<unsigned long long>(source.dropped()));
  return received && written && lost == 0 && source.ok() ? 0 : 1;
}
}  // namespace

int main(int argc, char ** argv)
{
  Options options;
  CLI::App app{
    "Records orvane_h26x_msgs/Compressed (MultiCompressed with --multi) from the ROS topic NAME (default\n"
    "/camera/h26x, or /camera/h26x_multi), from reliable and best-effort writers alike.",
    "h26x_recorder"};
  app.add_option("--output", options.output,
    "FILE (recorded.h26x): Annex-B bytes as they came; FILE.mp4 (fragmented MP4) or FILE.mkv (Matroska) hold "
    "H.264 / H.265 without re-encoding, timed by the stamps. Several streams: FILE.<k> (FILE.<k>.mp4); "
    "with --multi the originals go to FILE.original.<k>");
  app.add_flag("--overwrite", options.overwrite, "replace files that exist (otherwise an error)");
  app.add_flag("--multi", options.multi, "record MultiCompressed");
  app.add_option("--max-streams", options.max_streams, "a sample with more streams is dropped (16)")
  ->check(CLI::Range(std::size_t{1}, std::size_t{65536}));
  app.add_option("--frames", options.frames, "stop after N messages")
  ->check(CLI::Range(uint64_t{0}, uint64_t{1000000000000000}));
  app.add_option("--duration", options.duration, "stop after SECONDS")->check(CLI::Range(0.0, 1e9));
  app.add_option("--timeout", options.timeout, "stop when nothing arrives for SECONDS (30; 0 waits for ever)")
  ->check(CLI::Range(0.0, 1e9));
  options.stream.add_to(app);
  app.footer(
    "QoS requested: a reliable and a best-effort reader, both volatile and keep-all. Every file is made\n"
    "before anything is awaited; an existing one is an error unless --overwrite, and a file another\n"
    "program writes is always one. A video stream is written from its first key frame, and after frames\n"
    "were lost from the next key frame. A write that fails ends that file on its last whole frame.\n"
    "Prints frames, bytes, throughput, latency percentiles, frames lost, malformed samples and samples\n"
    "dropped. Exit status 1 when frames were lost, a file failed or holds nothing, or nothing came in\n"
    "time; 2 for a usage error.");
  return tools::run_tool("h26x_recorder", app, argc, argv, [&] {return record(options);});
}
