// Decodes a recording (Annex-B, MP4, Matroska or any container libavformat
// reads) or a live topic of orvane_h26x_msgs/Compressed and shows what is in
// it: frames decoded, decode errors, size and rate; a contact sheet, the
// frames as PNG pictures, and the decoded frames republished as rgb8 Image
// messages.

#include <memory>

#include "options.hpp"
#include "sinks/pictures.hpp"
#include "sources/file_source.hpp"
#include "sources/topic_source.hpp"

namespace
{
struct Options
{
  std::string input;
  bool live = false;
  std::string sheet;
  std::string grid = "4x4";
  int tile_width = 240;
  std::string frames;
  uint64_t every = 1;
  std::string republish;
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

// The frames of a file (0 when it does not say): a sheet spaces its tiles by it.
std::size_t count_frames(const std::string & path, const sources::FileSource & file)
{
  if (file.size_hint() > 0) {
    return file.size_hint();
  }
  sources::FileSource counting(path);
  stream::Moment moment;
  std::size_t total = 0;
  while (counting.next(moment)) {
    ++total;
  }
  return total;
}

int view(const Options & options)
{
  if (options.live == !options.input.empty()) {
    throw orvane_dds::UsageError("give either --input FILE or --live");
  }
  media::set_ffmpeg_log(options.stream.verbose);
  int columns = 4, rows = 4;
  parse_grid(options, columns, rows);
  std::unique_ptr<sources::FileSource> file;
  std::unique_ptr<stream::Source> source;
  if (!options.live) {
    file = std::make_unique<sources::FileSource>(options.input);
  }
  // The outputs before anything is decoded or awaited.
  std::vector<std::unique_ptr<sinks::PictureSink>> outputs;
  if (!options.sheet.empty()) {
    outputs.push_back(std::make_unique<sinks::ContactSheet>(options.sheet, options.overwrite, columns, rows,
      options.tile_width & ~1, file ? count_frames(options.input, *file) : 0));
  }
  if (!options.frames.empty()) {
    outputs.push_back(std::make_unique<sinks::FramesFolder>(options.frames, options.every, options.overwrite));
  }
  if (!options.republish.empty()) {
    outputs.push_back(std::make_unique<sinks::Republisher>(tools::dds_topic(options.republish),
      options.stream.domain_id(), options.stream.transport_kind()));
  }
  std::vector<sinks::PictureSink *> pictures;
  for (const auto & output : outputs) {
    pictures.push_back(output.get());
  }
  sinks::DecodingSink decoding(pictures, options.live, file ? file->frame_rate() : 0);
  stream::stop_on_signals();
  if (options.live) {
    sources::TopicSource::Settings settings;
    settings.topic = options.stream.dds_topic("/camera/h26x");
    settings.domain = options.stream.domain_id();
    settings.transport = options.stream.transport_kind();
    settings.idle_timeout = options.timeout;
    source = std::make_unique<sources::TopicSource>(settings);
  } else {
    source = std::move(file);
  }
  stream::run(*source, {&decoding});
  if (!source->ending().empty()) {
    stream::note(source->ending());
  }
  return decoding.report() ? 0 : 1;
}
}  // namespace

int main(int argc, char ** argv)
{
  Options options;
  CLI::App app{
    "Decodes an H.264 / H.265 recording (Annex-B, .mp4, .mkv, ...) or, with --live, the\n"
    "orvane_h26x_msgs/Compressed topic NAME (default /camera/h26x), and prints the frames decoded, decode\n"
    "errors, units skipped to the next key frame, size and frame rate (live: and the latency from each\n"
    "frame's stamp to its decoded picture).",
    "h26x_view"};
  app.add_option("--input", options.input, "the recording");
  app.add_flag("--live", options.live, "decode the topic as it comes");
  app.add_option("--sheet", options.sheet, "a contact sheet FILE.png: a grid of evenly spaced frames");
  app.add_option("--grid", options.grid, "the sheet's COLSxROWS (4x4)");
  app.add_option("--tile-width", options.tile_width, "the sheet's tiles' width in pixels (240)")
  ->check(CLI::Range(16, 4096));
  app.add_option("--frames", options.frames, "every --every N-th decoded frame as DIR/frame_NNNNNN.png");
  app.add_option("--every", options.every, "(1)")->check(CLI::Range(uint64_t{1}, uint64_t{1000000000}));
  app.add_option("--republish", options.republish,
    "each decoded frame as an rgb8 orvane_h26x_msgs/Image on the ROS topic NAME, with the stamp and count of "
    "its source frame");
  app.add_option("--timeout", options.timeout, "live: end after this long without a frame (10; 0: never)")
  ->check(CLI::Range(0.0, 1e9));
  app.add_flag("--overwrite", options.overwrite, "replace pictures that exist (otherwise an error)");
  options.stream.add_to(app);
  app.footer(
    "A damaged access unit is counted and skipped, and so are frames after a gap in the stream: decoding\n"
    "resumes at the next key frame. Exit status 1 when nothing was decoded, a unit was damaged or an\n"
    "output failed; 2 for a usage error.");
  return tools::run_tool("h26x_view", app, argc, argv, [&] {return view(options);});
}
