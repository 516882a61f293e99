// Publishes H.264 / H.265 streams frame by frame over Fast DDS: the access
// units of recorded streams (Annex-B files, or MP4 / Matroska and other
// containers), raw rgb8 frames (--raw), or raw frames encoded here
// (--encode: a y4m file or a moving test pattern). One Compressed a frame,
// or with several inputs (--multi) one MultiCompressed a frame index.

#include <memory>

#include "bag/bag_reader.hpp"
#include "options.hpp"
#include "sinks/dds_sink.hpp"
#include "sinks/replay_sink.hpp"
#include "sources/bag_source.hpp"
#include "sources/encoding_source.hpp"
#include "sources/file_source.hpp"
#include "sources/network_source.hpp"
#include "sources/paced_source.hpp"
#include "sources/raw_sources.hpp"
#include "sources/topic_source.hpp"

namespace
{
struct Options
{
  std::vector<std::string> inputs;
  bool multi = false;
  double fps = -1;  // -1: the stream's own rate
  double wait = 10;
  std::string raw;
  uint64_t frames = 0;  // 0: the source's default
  std::string encode;
  std::string source = "pattern:640x480";
  int gop = 25;
  int64_t bitrate = 0;
  bool with_originals = false;
  bool key_on_join = true;
  double rate = 1;
  bool loop = false;
  std::string rtsp_transport;
  std::string stamp = "source";
  double timeout = 30;
  tools::StreamOptions stream;
};

// What the composition publishes, and how.
struct Publication
{
  std::unique_ptr<stream::Source> source;
  bool multi = false;
  std::size_t sample_bytes = 0;
  double fps = 25;  // 0: as fast as the readers take
  sources::EncodingSource * encoder = nullptr;  // within `source`, when encoding here
  uint64_t limit = 0;  // frames, 0: the source's own end
  bool stamp_delay = false;  // say the delay from each frame's stamp to its write
  bool live = false;  // frames as a network source sends them
};

void parse_size(const std::string & text, const char * option, unsigned low, unsigned high, unsigned & width,
  unsigned & height)
{
  char end = 0;
  if (std::sscanf(text.c_str(), "%5ux%5u%c", &width, &height, &end) != 2 || width < low || height < low ||
    width > high || height > high)
  {
    throw orvane_dds::UsageError(std::string(option) + " '" + text + "' is not WIDTHxHEIGHT (each " +
            std::to_string(low) + " to " + std::to_string(high) + ")");
  }
}

// Recorded streams: each input's units on its timeline, paced at its own
// rate (or --fps), stamped with when they are due.
Publication recorded(const Options & options)
{
  std::vector<std::string> inputs = options.inputs;
  if (inputs.empty()) {
    inputs.push_back(ORVANE_H26X_MSGS_SAMPLE_DIR "/sample.h264");
  }
  std::vector<std::unique_ptr<stream::Source>> files;
  Publication publication;
  double rate = 0;
  for (const std::string & path : inputs) {
    auto file = std::make_unique<sources::FileSource>(path, options.loop);
    stream::note(file->describe());
    rate = rate > 0 ? rate : file->frame_rate();
    publication.sample_bytes += file->largest_unit();
    files.push_back(std::move(file));
  }
  publication.multi = options.multi || files.size() > 1;
  const bool own_rate = options.fps < 0 && rate > 0 && rate <= 1000;
  publication.fps = options.fps >= 0 ? options.fps : own_rate ? rate : 25;
  std::unique_ptr<stream::Source> source = files.size() == 1 ? std::move(files[0]) :
    std::make_unique<sources::CombinedSource>(std::move(files));
  publication.source = std::make_unique<sources::PacedSource>(
    std::move(source), own_rate ? 0 : publication.fps, own_rate, publication.fps > 0);
  publication.limit = options.frames;
  return publication;
}

Publication raw_frames(const Options & options)
{
  unsigned width = 0, height = 0;
  parse_size(options.raw, "--raw", 1, 16384, width, height);
  Publication publication;
  publication.fps = options.fps >= 0 ? options.fps : 25;
  publication.sample_bytes = std::size_t(3) * width * height;
  publication.source = std::make_unique<sources::PacedSource>(
    std::make_unique<sources::RawFramesSource>(width, height, options.frames ? options.frames : 100),
    publication.fps, false, false);
  return publication;
}

// A network camera's stream passed through: each unit as it arrives, on
// the source's clock where it states one; no pacing (the camera paces).
Publication network(const Options & options)
{
  sources::NetworkSource::Settings settings;
  settings.url = options.inputs[0];
  settings.rtsp_transport = options.rtsp_transport;
  settings.source_stamps = options.stamp == "source";
  settings.timeout = options.timeout;
  auto source = std::make_unique<sources::NetworkSource>(settings);
  stream::note(source->describe());
  Publication publication;
  publication.fps = source->frame_rate() > 0 ? source->frame_rate() : 25;  // the writer's history only
  publication.live = true;
  publication.stamp_delay = true;
  publication.source = std::move(source);
  return publication;
}

// Raw frames encoded here: a y4m file on its timeline, or the test pattern
// taken live; each frame keeps the stamp of when it was taken.
Publication encoded(const Options & options)
{
  const std::optional<annexb::Codec> codec = stream::video_codec(options.encode);
  if (!codec || (options.encode != "h264" && options.encode != "h265")) {
    throw orvane_dds::UsageError("--encode '" + options.encode + "' is not h264 or h265");
  }
  media::Encoder::Settings settings;
  settings.codec = *codec;
  settings.gop = options.gop;
  settings.bitrate = options.bitrate;
  Publication publication;
  std::unique_ptr<stream::Source> raw;
  if (options.source.rfind("topic:", 0) == 0) {
    // A camera driver's sensor_msgs/Image, default or sensor-data QoS;
    // each frame keeps its header. The encoder takes the frames' size.
    sources::TopicSource::Settings topic;
    topic.topics.push_back({tools::dds_topic(options.source.substr(6)), sources::MessageType::SENSOR_IMAGE});
    topic.domain = options.stream.domain_id();
    topic.transport = options.stream.transport_kind();
    topic.idle_timeout = 0;
    topic.queue_moments = 4;  // live: a frame the encoder cannot take yet is dropped, not queued for later
    raw = std::make_unique<sources::TopicSource>(topic);
    settings.fps = options.fps > 0 ? options.fps : 30;
    publication.limit = options.frames;
    publication.stamp_delay = true;
  } else if (options.source.rfind("pattern:", 0) == 0) {
    unsigned width = 0, height = 0;
    parse_size(options.source.substr(8), "--source pattern:", 16, 8192, width, height);
    if (width % 2 || height % 2) {
      throw orvane_dds::UsageError("--source '" + options.source + "': the pattern's sides must be even");
    }
    settings.width = static_cast<int>(width);
    settings.height = static_cast<int>(height);
    settings.fps = options.fps > 0 ? options.fps : 25;
    raw = std::make_unique<sources::PatternSource>(settings.width, settings.height,
        options.frames ? options.frames : 100, options.fps >= 0 ? options.fps : 25);
  } else {
    auto y4m = std::make_unique<sources::Y4mSource>(options.source, options.frames ? options.frames : UINT64_MAX);
    for (const std::string & line : y4m->notes()) {
      stream::note(line);
    }
    settings.width = y4m->width();
    settings.height = y4m->height();
    settings.fps = options.fps > 0 ? options.fps : y4m->fps();
    raw = std::make_unique<sources::PacedSource>(std::move(y4m), std::max(0.0, options.fps), options.fps < 0, true);
  }
  publication.fps = options.fps >= 0 ? options.fps : settings.fps;
  publication.multi = options.with_originals;
  // A camera's size is known at its first frame: room for 1080p originals.
  publication.sample_bytes = !options.with_originals ? 0 :
    std::size_t(3) * (settings.width > 0 ? settings.width * settings.height : 1920 * 1080);
  char line[256];
  if (settings.width > 0) {
    std::snprintf(line, sizeof(line), "encoding %s %dx%d at %g frames/s from %s%s", options.encode.c_str(),
      settings.width, settings.height, settings.fps, options.source.c_str(),
      options.with_originals ? ", with the originals" : "");
  } else {
    std::snprintf(line, sizeof(line), "encoding %s from %s as its frames come%s", options.encode.c_str(),
      options.source.c_str(), options.with_originals ? ", with the originals" : "");
  }
  stream::note(line);
  auto encoder = std::make_unique<sources::EncodingSource>(std::move(raw), settings, options.with_originals);
  publication.encoder = encoder.get();
  publication.source = std::move(encoder);
  return publication;
}

// A bag's messages (its --topic, else all of the package's topics) published
// again at their recorded timing (times --rate), their CDR bytes as stored.
int replay(const Options & options)
{
  std::vector<std::string> topics;
  if (!options.stream.topic.empty()) {
    topics.push_back(options.stream.topic);
  }
  auto bag = std::make_unique<sources::BagSource>(options.inputs[0], topics, options.loop);
  sinks::ReplaySink::Settings settings;
  settings.topics = bag->topics();
  settings.domain = options.stream.domain_id();
  settings.transport = options.stream.transport_kind();
  settings.flow = options.fps == 0 ? orvane_dds::WriterFlow::READER_PACED : orvane_dds::WriterFlow::PACED;
  for (const bag::TopicInfo & topic : settings.topics) {
    stream::note("replaying " + topic.name + " (" + topic.type + ", " + std::to_string(topic.count) + " messages)");
  }
  sources::PacedSource source(std::move(bag), options.fps > 0 ? options.fps : 0, options.fps < 0, false,
    options.rate);
  sinks::ReplaySink sink(settings);
  stream::stop_on_signals();
  if (!sink.wait_for_readers(std::chrono::milliseconds(static_cast<long>(1000 * options.wait)))) {
    return 1;
  }
  stream::run(source, {&sink});
  const bool sent = sink.report();
  if (!source.ending().empty()) {
    stream::note(source.ending());
  }
  return sent && source.ok() ? 0 : 1;
}

int publish(const Options & options)
{
  media::set_ffmpeg_log(options.stream.verbose);
  if (options.inputs.size() == 1 && options.encode.empty() && options.raw.empty() && bag::is_bag(options.inputs[0])) {
    return replay(options);
  }
  const bool from_network = options.inputs.size() == 1 && sources::NetworkSource::is_url(options.inputs[0]);
  Publication publication = !options.encode.empty() ? encoded(options) :
    !options.raw.empty() ? raw_frames(options) : from_network ? network(options) : recorded(options);
  if (from_network) {
    publication.limit = options.frames;
  }
  sinks::DdsSink::Settings settings;
  settings.multi = publication.multi;
  settings.topic = options.stream.dds_topic(publication.multi ? "/camera/h26x_multi" : "/camera/h26x");
  settings.domain = options.stream.domain_id();
  settings.transport = options.stream.transport_kind();
  settings.flow = publication.fps > 0 ? orvane_dds::WriterFlow::PACED : orvane_dds::WriterFlow::READER_PACED;
  settings.sample_bytes = publication.sample_bytes;
  settings.stamp_delay = publication.stamp_delay;
  if (publication.encoder && options.key_on_join) {
    // A reader that joins late shows a picture at once, not at the next key frame.
    settings.reader_joined = [encoder = publication.encoder] {encoder->request_key_frame();};
  }
  char pace[64];
  std::snprintf(pace, sizeof(pace), "%g frames/s", publication.fps);
  stream::note(publication.stamp_delay || publication.live ? "each frame as the camera sends it" :
    publication.fps > 0 ? pace : "as fast as the readers take");

  sinks::DdsSink sink(settings);
  stream::stop_on_signals();
  if (!sink.wait_for_readers(std::chrono::milliseconds(static_cast<long>(1000 * options.wait)))) {
    stream::note("no reader on " + settings.topic);
    return 1;
  }
  stream::run(*publication.source, {&sink}, publication.limit);
  const bool sent = sink.report();
  if (publication.encoder && publication.encoder->forced_key_frames() > 0) {
    stream::note(std::to_string(publication.encoder->forced_key_frames()) +
      " key frames made for readers that joined");
  }
  if (!publication.source->ending().empty()) {
    stream::note(publication.source->ending());
  }
  return sent && publication.source->ok() ? 0 : 1;
}
}  // namespace

int main(int argc, char ** argv)
{
  Options options;
  CLI::App app{
    "Publishes each access unit of H.264 / H.265 streams as orvane_h26x_msgs/Compressed (MultiCompressed\n"
    "with --multi or several inputs) on a ROS topic (default /camera/h26x, or /camera/h26x_multi).",
    "h26x_publisher"};
  app.add_option("--input", options.inputs,
    "a recorded stream: Annex-B .h264 / .h265, or MP4, Matroska or another container libavformat reads; "
    "repeat for several streams (default: the bundled sample); or a rosbag2 bag (a folder, .mcap, .db3), "
    "replayed at its recorded timing; or a network camera's URL (rtsp://, udp:// MPEG-TS, srt://, ...), "
    "each unit passed through as it arrives");
  app.add_option("--rtsp-transport", options.rtsp_transport, "an rtsp:// input over tcp or udp")
  ->check(CLI::IsMember({"tcp", "udp"}));
  app.add_option("--stamp", options.stamp,
    "a network input's stamps: source (its capture time where it states one: RTSP sender reports; else "
    "arrival) or arrival")->check(CLI::IsMember({"source", "arrival"}));
  app.add_option("--timeout", options.timeout,
    "a network input: end after this long without a unit, reconnecting meanwhile (30)")
  ->check(CLI::Range(0.1, 1e9));
  app.add_option("--rate", options.rate, "a bag's timeline runs this many times as fast (1)")
  ->check(CLI::Range(0.001, 1000.0));
  app.add_flag("--loop", options.loop,
    "a recorded stream or a bag from its start again at its end (a stream's timeline goes on; until --frames)");
  app.add_flag("--multi", options.multi, "send MultiCompressed");
  app.add_option("--fps", options.fps,
    "frames per second: default the stream's own rate (its SPS / VPS timing, a container's times), else 25; "
    "0 sends as fast as the readers take")->check(CLI::Range(0.0, 1000.0));
  app.add_option("--wait", options.wait, "seconds to wait for a reader (10)")->check(CLI::Range(0.0, 86400.0));
  app.add_option("--raw", options.raw, "send raw rgb8 images of WIDTHxHEIGHT instead of a stream");
  app.add_option("--frames", options.frames,
    "frames to send: --raw and patterns 100, y4m and recorded streams all (looped: until Ctrl-C), a topic until "
    "Ctrl-C")
  ->check(CLI::Range(uint64_t{1}, uint64_t{1000000000}));
  app.add_option("--encode", options.encode, "encode raw frames with libx264 / libx265: h264 or h265");
  app.add_option("--source", options.source,
    "what --encode encodes: FILE.y4m (any layout FFmpeg reads, converted to 8-bit 4:2:0, odd sizes padded), "
    "pattern:WIDTHxHEIGHT, a moving test pattern (default pattern:640x480), or topic:NAME, a camera's "
    "sensor_msgs/Image topic (rgb8, bgr8, rgba8, bgra8, mono8, mono16, yuv422, yuv422_yuy2, uyvy, nv12), "
    "each frame published with its header");
  app.add_option("--gop", options.gop, "pictures between key frames (25)")->check(CLI::Range(1, 100000));
  app.add_option("--bitrate", options.bitrate, "bits per second (default: constant quality)")
  ->check(CLI::Range(int64_t{0}, int64_t{10000000000}));
  app.add_flag("--key-on-join,!--no-key-on-join", options.key_on_join,
    "--encode: a key frame as soon as a reader joins (at most one a second), so it shows a picture at once "
    "(default on)");
  app.add_flag("--with-originals", options.with_originals,
    "send MultiCompressed with each raw frame as an rgb8 original image");
  options.stream.add_to(app);
  app.footer(
    "Frames are stamped with when they were due on the stream's timeline (encoded frames: when taken);\n"
    "with --fps 0 a recorded stream is stamped when sent.\n"
    "QoS offered: reliable, transient-local, manual liveliness (infinite lease), heartbeat every 20 ms.\n"
    "A paced stream keeps its last 64 frames (fewer when large) and never waits for a reader: one that\n"
    "falls behind loses the oldest, a dead or stopped one holds nothing back. --fps 0 keeps all, 64 in\n"
    "flight (32 MiB when large), and waits for the slowest reader (a dead one until its lease ends).\n"
    "Nothing is written until the readers present have matched and had 1.25 s to discover the publisher\n"
    "in turn.");
  return tools::run_tool("h26x_publisher", app, argc, argv, [&] {return publish(options);});
}
