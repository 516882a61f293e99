// The bag writer's speed (scripts/bench.sh bag): messages already in memory,
// serialized as a writer sends them, written into a bag folder by the MCAP
// writer and synced to the disk, as the recorder does with what arrives.
//   bench_bag DIR SAMPLE.h264 1080p|sample none|lz4|zstd
// Prints "<message bytes> <file bytes> <seconds> <messages>" for one run.
// 1080p: 60 raw 1920x1080 rgb8 Image messages of a moving pattern; sample:
// the sample's access units as Compressed messages, the stream repeated to
// about 100 MB.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "annexb.hpp"
#include "bag/bag_writer.hpp"
#include "dds/pass_through_type.hpp"
#include "orvane_h26x_msgs/msg/compressed.hpp"
#include "orvane_h26x_msgs/msg/image.hpp"
#include "rosidl_typesupport_cpp/message_type_support.hpp"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace
{
template<class Message>
const message_type_support_callbacks_t & callbacks()
{
  return *static_cast<const message_type_support_callbacks_t *>(get_message_typesupport_handle(
           rosidl_typesupport_cpp::get_message_type_support_handle<Message>(),
           rosidl_typesupport_fastrtps_cpp::typesupport_identifier)->data);
}

std::vector<std::vector<uint8_t>> raw_frames()
{
  std::vector<std::vector<uint8_t>> messages;
  orvane_h26x_msgs::msg::Image image;
  image.encoding = "rgb8";
  image.width = 1920;
  image.height = 1080;
  image.step = 3 * 1920;
  for (uint32_t k = 0; k < 60; ++k) {
    image.header.stamp.nanosec = k * 33333333;
    image.count = k;
    image.data.resize(std::size_t{3} * 1920 * 1080);
    for (std::size_t y = 0; y < 1080; ++y) {  // a gradient with a moving bar and some noise
      uint8_t * row = image.data.data() + y * 3 * 1920;
      for (std::size_t x = 0; x < 1920; ++x) {
        const bool bar = (x + 16 * k) % 480 < 40;
        row[3 * x] = static_cast<uint8_t>(bar ? 255 : x / 8);
        row[3 * x + 1] = static_cast<uint8_t>(y / 5 + ((x * 7 + y * 13 + k) % 5));
        row[3 * x + 2] = static_cast<uint8_t>(bar ? 0 : (x + y) / 12);
      }
    }
    messages.push_back(orvane_dds::encode_cdr(callbacks<orvane_h26x_msgs::msg::Image>(), &image));
  }
  return messages;
}

std::vector<std::vector<uint8_t>> sample_units(const char * path)
{
  std::ifstream file(path, std::ios::binary);
  const std::vector<uint8_t> stream((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::vector<uint8_t>> messages;
  orvane_h26x_msgs::msg::Compressed message;
  message.images.resize(1);
  message.images[0].encoding = "h264";
  message.images[0].width = 320;
  message.images[0].height = 240;
  std::size_t bytes = 0;
  for (uint32_t pass = 0; bytes < (std::size_t{100} << 20); ++pass) {
    for (const annexb::AccessUnit & unit : annexb::split_access_units(stream, annexb::Codec::H264)) {
      message.header.stamp.sec = static_cast<int32_t>(pass);
      message.images[0].count = static_cast<uint32_t>(messages.size());
      message.images[0].data.assign(stream.begin() + static_cast<std::ptrdiff_t>(unit.offset),
        stream.begin() + static_cast<std::ptrdiff_t>(unit.offset + unit.size));
      messages.push_back(orvane_dds::encode_cdr(callbacks<orvane_h26x_msgs::msg::Compressed>(), &message));
      bytes += messages.back().size();
    }
  }
  return messages;
}

// Seconds to write every message into a new bag and sync it.
double write_bag(const std::filesystem::path & folder, const std::vector<std::vector<uint8_t>> & messages,
  const char * type, bag::Compression compression, uint64_t & bytes)
{
  std::filesystem::remove_all(folder);
  const auto start = std::chrono::steady_clock::now();
  bag::BagWriter::Options options;
  options.folder = folder.string();
  options.mcap.compression = compression;
  bag::BagWriter writer(options);
  writer.add_topic("/camera", type, "");
  uint64_t time = 1;
  for (const auto & message : messages) {
    writer.write("/camera", time, time, message.data(), message.size());
    time += 33333333;
  }
  writer.close();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  bytes = writer.bytes();
  std::filesystem::remove_all(folder);
  return seconds;
}
}  // namespace

int main(int argc, char ** argv)
{
  if (argc != 5) {
    std::fprintf(stderr, "usage: bench_bag DIR SAMPLE.h264 1080p|sample none|lz4|zstd\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const std::string name = argv[3];
  const std::optional<bag::Compression> compression = bag::compression_named(argv[4]);
  if ((name != "1080p" && name != "sample") || !compression) {
    std::fprintf(stderr, "bench_bag: no case %s %s\n", argv[3], argv[4]);
    return 2;
  }
  const std::vector<std::vector<uint8_t>> messages = name == "1080p" ? raw_frames() : sample_units(argv[2]);
  const char * type = name == "1080p" ? "orvane_h26x_msgs/msg/Image" : "orvane_h26x_msgs/msg/Compressed";
  std::size_t input = 0;
  for (const auto & message : messages) {
    input += message.size();
  }
  uint64_t bytes = 0;
  const double seconds = write_bag(dir / "bench_bag", messages, type, *compression, bytes);
  std::printf("%zu %llu %.4f %zu\n", input, static_cast<unsigned long long>(bytes), seconds, messages.size());
  return 0;
}
