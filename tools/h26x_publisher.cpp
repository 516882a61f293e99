// Publishes H.264 / H.265 Annex-B streams frame by frame over Fast DDS.
// Messages are built through the package's C API and written by its plain
// CDR type support: one Compressed per access unit, or with --multi (or
// several --input) one MultiCompressed per frame index carrying a MultiImage
// for every stream.

#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <thread>

#include "annexb.hpp"
#include "dds/session.hpp"
#include "fastdds/dds/publisher/DataWriter.hpp"
#include "orvane_h26x_msgs/msg/compressed.h"
#include "orvane_h26x_msgs/msg/image.h"
#include "orvane_h26x_msgs/msg/multi_image.h"
#include "orvane_h26x_msgs/msg/multi_compressed.h"
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

int publish(const tools::Options & options)
{
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

  // The plain records are created and destroyed through the C API; the type
  // support comes from the C dispatch handle, as for a C node.
  orvane_dds::MessageFactory factory;
  const rosidl_message_type_support_t * handle;
  if (multi) {
    handle = rosidl_typesupport_c__get_message_type_support_handle__orvane_h26x_msgs__msg__MultiCompressed();
    factory = {[] {return static_cast<void *>(orvane_h26x_msgs__msg__MultiCompressed__create());},
      [](void * m) {orvane_h26x_msgs__msg__MultiCompressed__destroy(static_cast<orvane_h26x_msgs__msg__MultiCompressed *>(m));}};
  } else {
    handle = rosidl_typesupport_c__get_message_type_support_handle__orvane_h26x_msgs__msg__Compressed();
    factory = {[] {return static_cast<void *>(orvane_h26x_msgs__msg__Compressed__create());},
      [](void * m) {orvane_h26x_msgs__msg__Compressed__destroy(static_cast<orvane_h26x_msgs__msg__Compressed *>(m));}};
  }
  orvane_dds::Session session(handle, factory, endpoint.topic, endpoint.domain, endpoint.transport);
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

void usage()
{
  std::cout <<
    "usage: h26x_publisher [--input FILE]... [--multi] [--fps N] [--wait SECONDS]\n"
    "                      [--topic NAME] [--domain N] [--transport T]\n"
    "       h26x_publisher --raw WIDTHxHEIGHT [--frames N] [...]\n"
    "Publishes each access unit of the Annex-B stream(s) as orvane_h26x_msgs/Compressed\n"
    "(or MultiCompressed with --multi or several inputs) on the ROS topic NAME (default\n"
    "/camera/h26x, or /camera/h26x_multi); --raw sends N (100) raw rgb8 images instead.\n"
    "  --fps N           frames per second: default the stream's own rate (from the\n"
    "                    H.264 SPS or H.265 VPS timing), else 25; 0 sends as fast as\n"
    "                    the readers take\n"
    "  --wait SECONDS    how long to wait for a reader (10)\n"
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
  return tools::run_stream_tool("h26x_publisher", argc, argv, {"multi"}, {"input", "fps", "wait", "raw", "frames"}, usage, publish);
}
