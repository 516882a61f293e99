// Publishes H.264 / H.265 Annex-B streams frame by frame over Fast DDS.
// Messages are built through the package's C API and written by its plain
// CDR type support: one Compressed per access unit, or with --multi (or
// several --input) one MultiCompressed per frame index carrying a MultiImage
// for every stream; or, with --encode, raw frames encoded here.

#include <cstring>
#include <functional>
#include <memory>
#include <fstream>
#include <iostream>
#include <iterator>
#include <thread>

#include "annexb.hpp"
#include "dds/session.hpp"
#include "fastdds/dds/publisher/DataWriter.hpp"
#include "media/media.hpp"
#include "orvane_h26x_msgs/msg/compressed.h"
#include "orvane_h26x_msgs/msg/image.h"
#include "orvane_h26x_msgs/msg/multi_image.h"
#include "orvane_h26x_msgs/msg/multi_compressed.h"
#include "orvane_h26x_msgs/msg/original_image.h"
#include "program_support.hpp"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"
#include "std_msgs/msg/header.h"

namespace
{
struct Stream
{
  std::string path;
  std::string encoding;
  uint32_t step = 0;
  std::vector<uint8_t> bytes;
  std::vector<annexb::AccessUnit> units;
  annexb::Geometry geometry;
  double frame_rate = 0;  // from the stream's timing information, 0 when it has none
};

Stream load(const std::string & path)
{
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw std::runtime_error("cannot read " + path);
  }
  Stream stream;
  stream.path = path;
  stream.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  const annexb::Codec codec = annexb::guess_codec(path, stream.bytes);
  stream.encoding = annexb::codec_name(codec);
  stream.units = annexb::split_access_units(stream.bytes, codec);
  stream.geometry = annexb::find_geometry(stream.bytes.data(), stream.bytes.size(), codec);
  stream.frame_rate = annexb::find_frame_rate(stream.bytes.data(), stream.bytes.size(), codec);
  return stream;
}

// `frames` raw rgb8 images of WIDTHxHEIGHT, as a camera driver hands them
// over: every frame is the same buffer.
Stream raw_frames(const std::string & size, std::size_t frames)
{
  Stream stream;
  stream.path = "raw rgb8 " + size;
  stream.encoding = "rgb8";
  unsigned width = 0, height = 0;
  char end = 0;
  if (std::sscanf(size.c_str(), "%5ux%5u%c", &width, &height, &end) != 2 || !width || !height || width > 16384 ||
    height > 16384)
  {
    throw orvane_dds::UsageError("--raw '" + size + "' is not WIDTHxHEIGHT (each 1 to 16384)");
  }
  stream.geometry.width = width;
  stream.geometry.height = height;
  stream.step = 3 * stream.geometry.width;
  stream.bytes.assign(std::size_t(stream.step) * stream.geometry.height, 0x80);
  stream.units.assign(frames, annexb::AccessUnit{0, stream.bytes.size()});
  return stream;
}

void check(bool ok, const char * what)
{
  if (!ok) {
    throw std::runtime_error(std::string("out of memory filling ") + what);
  }
}

// Makes `bytes` hold exactly [data, data + size), reusing its storage.
void set_bytes(rosidl_runtime_c__uint8__Sequence & bytes, const uint8_t * data, std::size_t size)
{
  if (bytes.capacity < size) {
    rosidl_runtime_c__uint8__Sequence__fini(&bytes);
    check(rosidl_runtime_c__uint8__Sequence__init(&bytes, size), "frame data");
  }
  bytes.size = size;
  if (size) {
    std::memcpy(bytes.data, data, size);
  }
}

void stamp(std_msgs__msg__Header & header, const char * frame_id)
{
  tools::now_stamp(header.stamp.sec, header.stamp.nanosec);
  check(rosidl_runtime_c__String__assign(&header.frame_id, frame_id), "frame_id");
}

// The stamp of a frame taken at `sec`, `nanosec` (when it was captured, not sent).
void stamp_at(std_msgs__msg__Header & header, const char * frame_id, int32_t sec, uint32_t nanosec)
{
  header.stamp.sec = sec;
  header.stamp.nanosec = nanosec;
  check(rosidl_runtime_c__String__assign(&header.frame_id, frame_id), "frame_id");
}

// Image fields of frame `index` of `stream`, shared by both message shapes.
template<class ImageLike>
void fill_frame(ImageLike & image, const Stream & stream, std::size_t index)
{
  image.count = index;
  image.height = stream.geometry.height;
  image.width = stream.geometry.width;
  image.is_bigendian = 0;
  image.step = stream.step;
  check(rosidl_runtime_c__String__assign(&image.encoding, stream.encoding.c_str()), "encoding");
  if (index < stream.units.size()) {
    const annexb::AccessUnit & unit = stream.units[index];
    set_bytes(image.data, stream.bytes.data() + unit.offset, unit.size);
  } else {
    set_bytes(image.data, nullptr, 0);
  }
}

int publish_encoded(const tools::Options & options);

// The plain records are created and destroyed through the C API; the type
// support comes from the C dispatch handle, as for a C node.
struct MessageType
{
  const rosidl_message_type_support_t * handle;
  orvane_dds::MessageFactory factory;
};

MessageType message_type(bool multi)
{
  if (multi) {
    return {rosidl_typesupport_c__get_message_type_support_handle__orvane_h26x_msgs__msg__MultiCompressed(),
      {[] {return static_cast<void *>(orvane_h26x_msgs__msg__MultiCompressed__create());},
        [](void * m) {orvane_h26x_msgs__msg__MultiCompressed__destroy(static_cast<orvane_h26x_msgs__msg__MultiCompressed *>(m));}}};
  }
  return {rosidl_typesupport_c__get_message_type_support_handle__orvane_h26x_msgs__msg__Compressed(),
    {[] {return static_cast<void *>(orvane_h26x_msgs__msg__Compressed__create());},
      [](void * m) {orvane_h26x_msgs__msg__Compressed__destroy(static_cast<orvane_h26x_msgs__msg__Compressed *>(m));}}};
}

int publish(const tools::Options & options)
{
  if (options.has("encode")) {
    return publish_encoded(options);
  }
  std::vector<std::string> inputs = options.all("input");
  std::vector<Stream> streams;
  if (options.has("raw")) {
    streams.push_back(
      raw_frames(options.get("raw", ""), static_cast<std::size_t>(options.number("frames", 100, 1, 1e9))));
  } else if (inputs.empty()) {
    inputs.push_back(ORVANE_H26X_MSGS_SAMPLE_DIR "/sample.h264");
  }
  for (const std::string & path : inputs) {
    streams.push_back(load(path));
  }
  const tools::StreamOptions endpoint = tools::stream_options(options, options.has("multi") || streams.size() > 1);
  const bool multi = endpoint.multi;
  const double wait = options.number("wait", 10, 0, 86400);
  double stream_rate = 0;
  std::size_t frames = 0;
  for (const Stream & stream : streams) {
    frames = std::max(frames, stream.units.size());
    stream_rate = stream_rate > 0 ? stream_rate : stream.frame_rate;
    std::cerr << "input " << stream.path << ": " << stream.encoding << ", "
              << stream.units.size() << " access units, " << stream.bytes.size() << " bytes, "
              << stream.geometry.width << "x" << stream.geometry.height;
    if (stream.frame_rate > 0) {
      std::cerr << ", " << stream.frame_rate << " frames/s";
    }
    std::cerr << "\n";
  }
  const double fps = options.number("fps", stream_rate > 0 && stream_rate <= 1000 ? stream_rate : 25, 0, 1000);
  std::cerr << "publisher: " << (fps > 0 ? std::to_string(fps) + " frames/s" : "as fast as the readers take") << "\n";

  const MessageType type = message_type(multi);
  const orvane_dds::MessageFactory & factory = type.factory;
  orvane_dds::Session session(type.handle, factory, endpoint.topic, endpoint.domain, endpoint.transport);
  auto * writer = session.writer();
  if (!session.wait_for_reader(std::chrono::milliseconds(static_cast<long>(1000 * wait)))) {
    std::cerr << "no reader on " << endpoint.topic << "\n";
    return 1;
  }

  void * message = factory.create();
  auto * single = static_cast<orvane_h26x_msgs__msg__Compressed *>(message);
  auto * several = static_cast<orvane_h26x_msgs__msg__MultiCompressed *>(message);
  if (multi) {
    check(orvane_h26x_msgs__msg__MultiImage__Sequence__init(&several->h26x_images, streams.size()), "streams");
    for (std::size_t k = 0; k < streams.size(); ++k) {
      auto & image = several->h26x_images.data[k];
      check(std_msgs__msg__Header__Sequence__init(&image.header, 1), "header");
      check(rosidl_runtime_c__String__Sequence__init(&image.topic_name, 1), "topic_name");
      check(rosidl_runtime_c__String__assign(&image.topic_name.data[0], ("/camera" + std::to_string(k)).c_str()), "topic");
      check(rosidl_runtime_c__uint8__Sequence__init(&image.is_vaild, 1), "is_vaild");
    }
  } else {
    check(orvane_h26x_msgs__msg__Image__Sequence__init(&single->images, 1), "images");
  }

  const auto start = std::chrono::steady_clock::now();
  uint64_t bytes = 0;
  for (std::size_t index = 0; index <= frames; ++index) {
    const bool end = index == frames;
    if (multi) {
      stamp(several->header, end ? tools::kEndOfStream : "rig");
      for (std::size_t k = 0; k < streams.size(); ++k) {
        auto & image = several->h26x_images.data[k];
        fill_frame(image, streams[k], end ? streams[k].units.size() : index);
        stamp(image.header.data[0], "camera");
        image.is_vaild.data[0] = index < streams[k].units.size();
        bytes += image.data.size;
      }
    } else {
      stamp(single->header, end ? tools::kEndOfStream : "camera");
      fill_frame(single->images.data[0], streams[0], index);
      bytes += single->images.data[0].data.size;
    }
    if (!writer->write(message)) {
      throw std::runtime_error("write failed at frame " + std::to_string(index));
    }
    if (!end && (index + 1) % 25 == 0) {
      std::cerr << "publisher: " << index + 1 << "/" << frames << " frames sent\n";
    }
    if (fps > 0 && !end) {
      std::this_thread::sleep_until(start + std::chrono::duration<double>((index + 1) / fps));
    }
  }
  writer->wait_for_acknowledgments(eprosima::fastrtps::Duration_t(30, 0));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  factory.destroy(message);
  std::fprintf(
    stderr, "publisher: %zu frames, %llu bytes in %.3f s: %.1f frames/s, %.2f MB/s\n", frames,
    static_cast<unsigned long long>(bytes), seconds, frames / seconds, bytes / seconds / 1e6);
  return 0;
}

// --encode: raw frames (a YUV4MPEG2 file or a test pattern) encoded here, one
// access unit a message; with --with-originals a MultiCompressed that also
// carries each raw frame as an rgb8 original image.
int publish_encoded(const tools::Options & options)
{
  const std::string codec_name = options.get("encode", "");
  if (codec_name != "h264" && codec_name != "h265") {
    throw orvane_dds::UsageError("--encode '" + codec_name + "' is not h264 or h265");
  }
  const std::string source = options.get("source", "pattern:640x480");
  std::unique_ptr<media::Y4mReader> y4m;
  media::Encoder::Settings settings;
  settings.codec = codec_name == "h265" ? annexb::Codec::H265 : annexb::Codec::H264;
  if (source.rfind("pattern:", 0) == 0) {
    unsigned width = 0, height = 0;
    char end = 0;
    if (std::sscanf(source.c_str() + 8, "%5ux%5u%c", &width, &height, &end) != 2 || width < 16 || height < 16 ||
      width > 8192 || height > 8192 || width % 2 || height % 2)
    {
      throw orvane_dds::UsageError("--source '" + source + "' is not pattern:WIDTHxHEIGHT (even, 16 to 8192)");
    }
    settings.width = static_cast<int>(width);
    settings.height = static_cast<int>(height);
  } else {
    y4m = std::make_unique<media::Y4mReader>(source);
    settings.width = y4m->width();
    settings.height = y4m->height();
    settings.fps = y4m->fps();
  }
  const double fps = options.number("fps", settings.fps, 0, 1000);
  settings.fps = fps > 0 ? fps : settings.fps;
  settings.gop = static_cast<int>(options.number("gop", 25, 1, 100000));
  settings.bitrate = static_cast<int64_t>(options.number("bitrate", 0, 0, 1e10));
  const std::size_t frames = static_cast<std::size_t>(options.number("frames", y4m ? 1e9 : 100, 1, 1e9));
  const bool originals = options.has("with-originals");
  const tools::StreamOptions endpoint = tools::stream_options(options, originals);

  media::Encoder encoder(settings);
  media::Scaler scaler;
  media::Picture picture(settings.width, settings.height);

  const MessageType type = message_type(originals);
  const orvane_dds::MessageFactory & factory = type.factory;
  orvane_dds::Session session(type.handle, factory, endpoint.topic, endpoint.domain, endpoint.transport);
  auto * writer = session.writer();
  if (!session.wait_for_reader(std::chrono::milliseconds(static_cast<long>(1000 * options.number("wait", 10, 0, 86400))))) {
    std::cerr << "no reader on " << endpoint.topic << "\n";
    return 1;
  }
  std::unique_ptr<void, std::function<void(void *)>> message(factory.create(), factory.destroy);
  auto * single = static_cast<orvane_h26x_msgs__msg__Compressed *>(message.get());
  auto * several = static_cast<orvane_h26x_msgs__msg__MultiCompressed *>(message.get());
  Stream stream;
  stream.encoding = codec_name;
  stream.geometry.width = static_cast<uint32_t>(settings.width);
  stream.geometry.height = static_cast<uint32_t>(settings.height);
  if (originals) {
    check(orvane_h26x_msgs__msg__MultiImage__Sequence__init(&several->h26x_images, 1), "streams");
    auto & image = several->h26x_images.data[0];
    check(std_msgs__msg__Header__Sequence__init(&image.header, 1), "header");
    check(rosidl_runtime_c__String__Sequence__init(&image.topic_name, 1), "topic_name");
    check(rosidl_runtime_c__String__assign(&image.topic_name.data[0], "/camera0"), "topic");
    check(rosidl_runtime_c__uint8__Sequence__init(&image.is_vaild, 1), "is_vaild");
    image.is_vaild.data[0] = 1;
    check(orvane_h26x_msgs__msg__OriginalImage__Sequence__init(&several->original_images, 1), "originals");
    auto & original = several->original_images.data[0];
    check(rosidl_runtime_c__String__Sequence__init(&original.topic_name, 1), "topic_name");
    check(rosidl_runtime_c__String__assign(&original.topic_name.data[0], "/camera0/raw"), "topic");
    check(rosidl_runtime_c__uint8__Sequence__init(&original.is_valid, 1), "is_valid");
    original.is_valid.data[0] = 1;
    check(rosidl_runtime_c__String__assign(&original.encoding, "rgb8"), "encoding");
    original.width = stream.geometry.width;
    original.height = stream.geometry.height;
    original.step = 3 * original.width;
  } else {
    check(orvane_h26x_msgs__msg__Image__Sequence__init(&single->images, 1), "images");
  }
  std::cerr << "publisher: encoding " << codec_name << " " << settings.width << "x" << settings.height << " at "
            << settings.fps << " frames/s from " << source << (originals ? ", with the originals" : "") << "\n";

  std::size_t sent = 0;
  std::size_t index = 0;
  int32_t captured_sec = 0;  // when the frame being encoded was taken: its stamp
  uint32_t captured_nanosec = 0;
  const auto start = std::chrono::steady_clock::now();
  const media::Encoder::Sink send = [&](const uint8_t * data, std::size_t size, bool) {
      stream.bytes.assign(data, data + size);
      stream.units.assign(1, annexb::AccessUnit{0, size});
      if (originals) {
        stamp_at(several->header, "rig", captured_sec, captured_nanosec);
        auto & image = several->h26x_images.data[0];
        fill_frame(image, stream, 0);
        image.count = sent;
        stamp_at(image.header.data[0], "camera", captured_sec, captured_nanosec);
        auto & original = several->original_images.data[0];
        original.count = sent;
        set_bytes(original.data, picture.rgb.data(), picture.rgb.size());
      } else {
        stamp_at(single->header, "camera", captured_sec, captured_nanosec);
        fill_frame(single->images.data[0], stream, 0);
        single->images.data[0].count = sent;
      }
      if (!writer->write(message.get())) {
        throw std::runtime_error("write failed at frame " + std::to_string(sent));
      }
      ++sent;
    };
  for (; index < frames; ++index) {
    // The frame is taken when the source has it; conversion and encoding are ours.
    if (y4m) {
      if (!y4m->next(encoder.picture())) {
        break;
      }
      tools::now_stamp(captured_sec, captured_nanosec);
      picture = scaler.to_rgb(encoder.picture());
    } else {
      media::test_pattern(picture, static_cast<int64_t>(index));
      tools::now_stamp(captured_sec, captured_nanosec);
      scaler.from_rgb(picture, encoder.picture());
    }
    encoder.encode(send);
    if (fps > 0) {
      std::this_thread::sleep_until(start + std::chrono::duration<double>((index + 1) / fps));
    }
  }
  encoder.finish(send);
  // The end-of-stream marker: no data, the count of frames sent.
  stream.units.clear();
  if (originals) {
    stamp(several->header, tools::kEndOfStream);
    fill_frame(several->h26x_images.data[0], stream, 0);
    several->h26x_images.data[0].count = sent;
    several->original_images.data[0].data.size = 0;
  } else {
    stamp(single->header, tools::kEndOfStream);
    fill_frame(single->images.data[0], stream, 0);
    single->images.data[0].count = sent;
  }
  writer->write(message.get());
  writer->wait_for_acknowledgments(eprosima::fastrtps::Duration_t(30, 0));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "publisher: %zu frames encoded and sent in %.3f s: %.1f frames/s\n", sent, seconds,
    sent / seconds);
  return sent == index ? 0 : 1;
}

void usage()
{
  std::cout <<
    "usage: h26x_publisher [--input FILE]... [--multi] [--fps N] [--wait SECONDS]\n"
    "                      [--topic NAME] [--domain N] [--transport T]\n"
    "       h26x_publisher --raw WIDTHxHEIGHT [--frames N] [...]\n"
    "       h26x_publisher --encode h264|h265 [--source FILE.y4m | pattern:WxH]\n"
    "                      [--frames N] [--gop N] [--bitrate BITS] [--with-originals] [...]\n"
    "Publishes each access unit of the Annex-B stream(s) as orvane_h26x_msgs/Compressed\n"
    "(or MultiCompressed with --multi or several inputs) on the ROS topic NAME (default\n"
    "/camera/h26x, or /camera/h26x_multi); --raw sends N (100) raw rgb8 images instead.\n"
    "  --fps N           frames per second: default the stream's own rate (from the\n"
    "                    H.264 SPS or H.265 VPS timing), else 25; 0 sends as fast as\n"
    "                    the readers take\n"
    "  --wait SECONDS    how long to wait for a reader (10)\n"
    "  --encode CODEC    encode raw frames with libavcodec (low latency, no B-frames),\n"
    "                    one access unit a message: --source FILE.y4m (4:2:0) or a\n"
    "                    moving test pattern:WIDTHxHEIGHT (640x480, --frames N, 100);\n"
    "                    --gop N (25) pictures between key frames, --bitrate BITS/s\n"
    "                    (default: constant quality); --with-originals sends\n"
    "                    MultiCompressed with the raw frames as rgb8 original images\n"
    << tools::kStreamOptionsHelp <<
    "QoS offered: reliable, transient-local, keep-all with 64 samples in flight,\n"
    "manual liveliness (infinite lease), heartbeat every 100 ms. Nothing is written\n"
    "until the readers present have matched and had 1.25 s to discover the publisher\n"
    "in turn; a reader that joins later gets the frames written after it joined, and if\n"
    "it asks for transient-local also those not yet acknowledged by all (at most 64).\n";
}
}  // namespace

int main(int argc, char ** argv)
{
  return tools::run_stream_tool("h26x_publisher", argc, argv, {"multi", "with-originals"}, {"input", "fps", "wait", "raw", "frames", "encode", "source", "gop", "bitrate"}, usage, publish);
}
