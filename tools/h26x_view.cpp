// Shows what is in a recording (Annex-B, MP4, Matroska or any container
// libavformat reads), a rosbag2 bag (a folder, .mcap or .db3) or a live topic
// of the package's messages: frames decoded, decode errors, size and rate; a
// contact sheet, the frames as PNG pictures, the decoded frames republished
// as rgb8 Image messages. A bag's topic is turned into video (MP4,
// Matroska, Annex-B) without re-encoding, its original images into PNG.

#include <algorithm>
#include <chrono>
#include <memory>

#include "bag/bag_reader.hpp"
#include "options.hpp"
#include "sinks/foxglove_sink.hpp"
#include "sinks/pictures.hpp"
#include "sinks/stream_files.hpp"
#include "sources/bag_source.hpp"
#include "sources/file_source.hpp"
#include "sources/topic_source.hpp"

namespace
{
struct Options
{
  std::string input;
  bool live = false;
  bool list = false;
  bool reindex = false;
  std::string output;
  std::string originals;
  std::string sheet;
  std::string grid = "4x4";
  int tile_width = 240;
  std::string frames;
  uint64_t every = 1;
  std::string republish;
  std::string republish_type = "sensor_msgs";
  std::string republish_encoding = "rgb8";
  std::string foxglove;
  double timeout = 10;
  bool overwrite = false;
  tools::StreamOptions stream;
};

// Sheets larger than this many pixels a side are refused before decoding.
constexpr int kLargestSheet = 16384;

void parse_grid(const Options & options, int & columns, int & rows)
{
  char end = 0;
  if (std::sscanf(options.grid.c_str(), "%3dx%3d%c", &columns, &rows, &end) != 2 || columns < 1 || rows < 1 ||
    columns > 64 || rows > 64)
  {
    throw orvane_dds::UsageError("--grid '" + options.grid + "' is not COLSxROWS (each 1 to 64)");
  }
  // Tiles are at most as high as wide for landscape pictures; taller ones are checked when seen.
  if (columns * options.tile_width > kLargestSheet || rows * options.tile_width > kLargestSheet) {
    throw orvane_dds::UsageError("--grid " + options.grid + " of tiles " + std::to_string(options.tile_width) +
            " pixels wide makes a sheet over " + std::to_string(kLargestSheet) + " pixels a side");
  }
}

// --list: a bag's topics; --reindex: its metadata.yaml, rebuilt from its files.
int describe_bag(const Options & options)
{
  bag::BagReader reader(options.input);
  if (options.reindex) {
    if (reader.folder().empty()) {
      throw orvane_dds::UsageError("--reindex needs a bag folder");
    }
    const std::string text = bag::metadata_yaml(reader.rebuild());
    stream::OutputFile metadata(reader.folder() + "/metadata.yaml", options.overwrite);
    metadata.write(reinterpret_cast<const uint8_t *>(text.data()), text.size());
    metadata.close();
    stream::note("wrote " + reader.folder() + "/metadata.yaml");
  }
  uint64_t messages = 0;
  for (const bag::TopicInfo & topic : reader.topics()) {
    std::printf("%s  %s  %llu messages\n", topic.name.c_str(), topic.type.c_str(),
      static_cast<unsigned long long>(topic.count));
    messages += topic.count;
  }
  std::printf("%s: %llu messages\n", options.input.c_str(), static_cast<unsigned long long>(messages));
  for (const std::string & problem : reader.problems()) {
    stream::note(problem);
  }
  return 0;
}

// The source, and the frames it holds when known (for the sheet's spacing).
std::unique_ptr<stream::Source> open_source(const Options & options, std::size_t & total, double & frame_rate)
{
  if (options.live) {
    sources::TopicSource::Settings settings;
    settings.topics.push_back({options.stream.dds_topic("/camera/h26x"), sources::MessageType::COMPRESSED});
    settings.domain = options.stream.domain_id();
    settings.transport = options.stream.transport_kind();
    settings.idle_timeout = options.timeout;
    return std::make_unique<sources::TopicSource>(settings);
  }
  if (bag::is_bag(options.input)) {
    // One topic: the one named, else the bag's first with video streams, else
    // its first of the package's messages.
    std::vector<std::string> topic;
    if (!options.stream.topic.empty()) {
      topic.push_back(options.stream.topic);
    }
    auto bag_source = std::make_unique<sources::BagSource>(options.input, topic);
    if (topic.empty() && bag_source->topics().size() > 1) {
      const auto & found = bag_source->topics();
      const auto video = std::find_if(found.begin(), found.end(), [](const bag::TopicInfo & candidate) {
            return sources::carries_video(*sources::message_type(candidate.type));
          });
      bag_source = std::make_unique<sources::BagSource>(options.input,
          std::vector<std::string>{(video == found.end() ? found.front() : *video).name});
    }
    const std::string name = bag_source->topics()[0].name;
    stream::note("topic " + name + " (" + bag_source->topics()[0].type + ")");
    total = bag_source->topics()[0].count;
    if (!options.sheet.empty()) {  // its frames, without the end-of-stream markers
      sources::BagSource counting(options.input, {name});
      stream::Moment moment;
      for (total = 0; counting.next(moment); ) {
        total += !moment.end_of_stream;
      }
    }
    return bag_source;
  }
  auto file = std::make_unique<sources::FileSource>(options.input);
  frame_rate = file->frame_rate();
  total = file->size_hint();
  if (total == 0 && !options.sheet.empty()) {  // containers need counting
    sources::FileSource counting(options.input);
    stream::Moment moment;
    while (counting.next(moment)) {
      ++total;
    }
  }
  return file;
}

std::vector<std::unique_ptr<sinks::PictureSink>> picture_outputs(
  const Options & options, std::size_t total)
{
  int columns = 4, rows = 4;
  parse_grid(options, columns, rows);
  std::vector<std::unique_ptr<sinks::PictureSink>> outputs;
  if (!options.sheet.empty()) {
    outputs.push_back(std::make_unique<sinks::ContactSheet>(options.sheet, options.overwrite, columns, rows,
      options.tile_width & ~1, total));
  }
  if (!options.frames.empty()) {
    outputs.push_back(std::make_unique<sinks::FramesFolder>(options.frames, options.every, options.overwrite));
  }
  if (!options.republish.empty()) {
    outputs.push_back(std::make_unique<sinks::Republisher>(tools::dds_topic(options.republish),
      options.stream.domain_id(), options.stream.transport_kind(),
      options.republish_type == "orvane" ? sinks::Republisher::Type::ORVANE : sinks::Republisher::Type::SENSOR_MSGS,
      options.republish_encoding));
  }
  return outputs;
}

int view(const Options & options)
{
  if (options.live == !options.input.empty()) {
    throw orvane_dds::UsageError("give either --input FILE or --live");
  }
  media::set_ffmpeg_log(options.stream.verbose);
  if (options.list || options.reindex) {
    return describe_bag(options);
  }
  int columns = 0, rows = 0;
  parse_grid(options, columns, rows);
  std::size_t total = 0;
  double frame_rate = 0;
  const auto started = std::chrono::steady_clock::now();
  std::unique_ptr<stream::Source> source = open_source(options, total, frame_rate);
  // The outputs before anything is decoded or awaited.
  std::vector<std::unique_ptr<sinks::PictureSink>> outputs = picture_outputs(options, total);
  std::vector<sinks::PictureSink *> pictures;
  for (const auto & output : outputs) {
    pictures.push_back(output.get());
  }
  std::vector<stream::Sink *> sinks;
  std::unique_ptr<sinks::StreamFiles> files;
  std::unique_ptr<sinks::OriginalsFolder> originals;
  std::unique_ptr<sinks::DecodingSink> decoding;
  if (!options.output.empty()) {
    files = std::make_unique<sinks::StreamFiles>(options.output, false, options.overwrite);
    sinks.push_back(files.get());
  }
  if (!options.originals.empty()) {
    originals = std::make_unique<sinks::OriginalsFolder>(options.originals, options.overwrite);
    sinks.push_back(originals.get());
  }
  std::unique_ptr<sinks::FoxgloveSink> foxglove;
  if (!options.foxglove.empty()) {
    foxglove = std::make_unique<sinks::FoxgloveSink>(tools::dds_topic(options.foxglove),
      options.stream.domain_id(), options.stream.transport_kind());
    sinks.push_back(foxglove.get());
  }
  // Decoded unless only written out again (no decoding: as fast as the disk).
  if (!pictures.empty() || sinks.empty()) {
    decoding = std::make_unique<sinks::DecodingSink>(pictures, options.live, frame_rate);
    sinks.push_back(decoding.get());
  }
  stream::stop_on_signals();
  const stream::RunResult result = stream::run(*source, sinks);
  if (const auto * bag_source = dynamic_cast<const sources::BagSource *>(source.get())) {
    // The work itself, the process's start not counted: a bag's speed.
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    char line[160];
    const double span = bag_source->stamp_span_ns() * 1e-9;
    std::snprintf(line, sizeof(line), "%llu messages with stamps over %.3f s read in %.3f s (%.0f times real time)",
      static_cast<unsigned long long>(result.moments), span, seconds, seconds > 0 ? span / seconds : 0.0);
    stream::note(line);
  }
  if (!source->ending().empty()) {
    stream::note(source->ending());
  }
  return stream::report_all(sinks) && source->ok() ? 0 : 1;
}
}  // namespace

int main(int argc, char ** argv)
{
  Options options;
  CLI::App app{
    "Decodes an H.264 / H.265 recording (Annex-B, .mp4, .mkv, ...), a topic of a rosbag2 bag (a folder, .mcap\n"
    "or .db3) or, with --live, the orvane_h26x_msgs/Compressed topic NAME (default /camera/h26x), and prints the\n"
    "frames decoded, decode errors, units skipped to the next key frame, size and frame rate (live: and the\n"
    "latency from each frame's stamp to its decoded picture).",
    "h26x_view"};
  app.add_option("--input", options.input, "the recording or bag");
  app.add_flag("--live", options.live, "decode the topic as it comes");
  app.add_flag("--list", options.list, "a bag's topics, types and message counts");
  app.add_flag("--reindex", options.reindex,
    "rebuild a bag folder's metadata.yaml from its files (a recorder that was killed wrote none)");
  app.add_option("--output", options.output,
    "the stream again without re-encoding: OUT.mp4, OUT.mkv (timed by the stamps) or Annex-B; several streams "
    "(MultiCompressed) to OUT.<k>.mp4");
  app.add_option("--originals", options.originals, "original images (MultiCompressed) as DIR/original_<k>_N.png");
  app.add_option("--sheet", options.sheet, "a contact sheet FILE.png: a grid of evenly spaced frames");
  app.add_option("--grid", options.grid, "the sheet's COLSxROWS (4x4)");
  app.add_option("--tile-width", options.tile_width, "the sheet's tiles' width in pixels (240)")
  ->check(CLI::Range(16, 4096));
  app.add_option("--frames", options.frames, "every --every N-th decoded frame as DIR/frame_NNNNNN.png");
  app.add_option("--every", options.every, "(1)")->check(CLI::Range(uint64_t{1}, uint64_t{1000000000}));
  app.add_option("--republish", options.republish,
    "each decoded frame as a sensor_msgs/Image on the ROS topic NAME (rviz2, rqt_image_view, Foxglove show it), "
    "with the stamp and frame_id of its source frame");
  app.add_option("--republish-encoding", options.republish_encoding, "rgb8 (default), bgr8 or mono8")
  ->check(CLI::IsMember({"rgb8", "bgr8", "mono8"}));
  app.add_option("--republish-type", options.republish_type,
    "sensor_msgs (default) or orvane: this package's rgb8 Image, with the frame's count and the end-of-stream marker")
  ->check(CLI::IsMember({"sensor_msgs", "orvane"}));
  app.add_option("--foxglove", options.foxglove,
    "each access unit, not decoded, as foxglove_msgs/CompressedVideo on the ROS topic NAME (Foxglove plays it), "
    "with its stamp and frame_id and the parameter sets before each key frame");
  app.add_option("--timeout", options.timeout, "live: end after this long without a frame (10; 0: never)")
  ->check(CLI::Range(0.0, 1e9));
  app.add_flag("--overwrite", options.overwrite, "replace files that exist (otherwise an error)");
  options.stream.add_to(app);
  app.footer(
    "A damaged access unit is counted and skipped, and so are frames after a gap in the stream: decoding\n"
    "resumes at the next key frame. A bag's --topic (default: its first with video, else its first of the\n"
    "package's messages) is read in time order across its files; damage in it is passed over and counted.\n"
    "Exit status 1 when nothing was decoded, a unit was damaged or an output failed; 2 for a usage error.");
  return tools::run_tool("h26x_view", app, argc, argv, [&] {return view(options);});
}
