// Checks what the stream tools wrote, with FFmpeg's own demuxers and decoders
// as the reference: the bundled sample read by libavformat's raw demuxer and
// decoded by libavcodec directly.
//   check_media container FILE SAMPLE SPAN_SECONDS [prefix]
//   check_media frames DIR SAMPLE [LAST]
//   check_media sheet FILE.png SAMPLE COLUMNS ROWS TILE_WIDTH
//   check_media originals ORIGINALS RECORDING WIDTH HEIGHT FRAMES MIN_PSNR
//   check_media damage SAMPLE OUT   (unit 20 cut in half, unit 30 left out)
//   check_media burst SAMPLE OUT     (the sample muxed with stamps 1 µs apart)
//   check_media units SAMPLE FIRST COUNT OUT   (COUNT of the sample's units from FIRST, round and round)
//   check_media y4m OUT WIDTH HEIGHT COLOUR FRAMES [INTERLACING]   (the test pattern, C<COLOUR> layout)
//   check_media compare RECORDING REFERENCE FRAMES MIN_PSNR   (pictures against the reference's, e.g. a y4m)
//   check_media probe FILE          (prints: frames N duration S start S tag T size WxH)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include <dirent.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "annexb.hpp"
#include "media/media.hpp"

namespace
{
using Bytes = std::vector<uint8_t>;
using Nals = std::vector<Bytes>;

void require(bool condition, const std::string & what)
{
  if (!condition) {
    throw std::runtime_error(what);
  }
}

struct Packet
{
  Bytes data;
  int64_t pts, dts, duration;
};

// Every packet of the first video stream, as the demuxer gives it.
std::vector<Packet> read_packets(const std::string & path, AVCodecParameters * parameters, AVRational * time_base)
{
  AVFormatContext * format = nullptr;
  require(avformat_open_input(&format, path.c_str(), nullptr, nullptr) == 0, "libavformat cannot open " + path);
  require(avformat_find_stream_info(format, nullptr) >= 0, "no stream information in " + path);
  const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  require(stream >= 0, "no video stream in " + path);
  avcodec_parameters_copy(parameters, format->streams[stream]->codecpar);
  *time_base = format->streams[stream]->time_base;
  std::vector<Packet> packets;
  AVPacket * packet = av_packet_alloc();
  while (av_read_frame(format, packet) >= 0) {
    if (packet->stream_index == stream) {
      packets.push_back({Bytes(packet->data, packet->data + packet->size), packet->pts, packet->dts, packet->duration});
    }
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  avformat_close_input(&format);
  return packets;
}

Nals length_prefixed_nals(const Bytes & data)
{
  Nals nals;
  for (std::size_t at = 0; at + 4 <= data.size(); ) {
    const std::size_t size = (std::size_t(data[at]) << 24) | (data[at + 1] << 16) | (data[at + 2] << 8) | data[at + 3];
    require(at + 4 + size <= data.size(), "a NAL unit runs past its packet");
    nals.emplace_back(data.begin() + at + 4, data.begin() + at + 4 + size);
    at += 4 + size;
  }
  return nals;
}

// The sample decoded by libavcodec, in display order, as RGB of its own size
// (or scaled to width x height, as the tools scale; or with `crop`, its
// top-left width x height, converted at that size).
std::vector<media::Picture> decode_reference(
  const std::string & sample, int width = 0, int height = 0, bool crop = false)
{
  AVCodecParameters * parameters = avcodec_parameters_alloc();
  AVRational time_base;
  const std::vector<Packet> packets = read_packets(sample, parameters, &time_base);
  const AVCodec * codec = avcodec_find_decoder(parameters->codec_id);
  AVCodecContext * context = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(context, parameters);
  context->thread_count = 1;
  require(avcodec_open2(context, codec, nullptr) == 0, "cannot open the reference decoder");
  std::vector<media::Picture> pictures;
  AVFrame * frame = av_frame_alloc();
  AVPacket * packet = av_packet_alloc();
  SwsContext * scaler = nullptr;
  const auto drain = [&] {
      while (avcodec_receive_frame(context, frame) == 0) {
        if (crop) {  // the planes start where they did: fewer rows and columns of them
          frame->width = std::min(frame->width, width);
          frame->height = std::min(frame->height, height);
        }
        media::Picture picture(width ? width : frame->width, height ? height : frame->height);
        scaler = sws_getCachedContext(
          scaler, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), picture.width,
          picture.height, AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr);
        uint8_t * planes[1] = {picture.rgb.data()};
        const int strides[1] = {3 * picture.width};
        sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
        pictures.push_back(std::move(picture));
      }
    };
  for (const Packet & source : packets) {
    av_new_packet(packet, static_cast<int>(source.data.size()));
    std::memcpy(packet->data, source.data.data(), source.data.size());
    require(avcodec_send_packet(context, packet) == 0, "the reference decoder fails on the sample");
    av_packet_unref(packet);
    drain();
  }
  avcodec_send_packet(context, nullptr);
  drain();
  sws_freeContext(scaler);
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&context);
  avcodec_parameters_free(&parameters);
  return pictures;
}

// The file holds the sample's access units (all, or a prefix), byte for byte
// in every NAL unit, H.264 at 320 x 240; sorted by presentation time they are
// in the sample's display order; and they last what the stamps span.
int check_container(const std::string & path, const std::string & sample, double span, bool prefix, bool timed = true)
{
  AVCodecParameters * parameters = avcodec_parameters_alloc();
  AVRational time_base;
  const std::vector<Packet> packets = read_packets(path, parameters, &time_base);
  AVCodecParameters * sample_parameters = avcodec_parameters_alloc();
  AVRational sample_base;
  const std::vector<Packet> units = read_packets(sample, sample_parameters, &sample_base);
  require(parameters->codec_id == sample_parameters->codec_id, "the codec differs from the sample's");
  require(parameters->width == 320 && parameters->height == 240, "not 320x240");
  require(prefix ? !packets.empty() && packets.size() <= units.size() : packets.size() == units.size(),
    path + ": " + std::to_string(packets.size()) + " packets for " + std::to_string(units.size()) + " units");
  for (std::size_t k = 0; k < packets.size(); ++k) {
    const Nals nals = length_prefixed_nals(packets[k].data);
    if (nals != annexb::nal_payloads(units[k].data.data(), units[k].data.size())) {
      std::string found = "none";
      for (std::size_t j = 0; j < units.size(); ++j) {
        if (nals == annexb::nal_payloads(units[j].data.data(), units[j].data.size())) {
          found = std::to_string(j);
        }
      }
      throw std::runtime_error("access unit " + std::to_string(k) + " of " + std::to_string(packets.size()) +
        " differs from the sample's (it is the sample's unit " + found + ", " +
        std::to_string(nals.size()) + " NAL units, " + std::to_string(packets[k].data.size()) + " bytes)");
    }
  }
  // Display order: the sample's units through a decoder that carries each
  // unit's index as its timestamp.
  const AVCodec * codec = avcodec_find_decoder(sample_parameters->codec_id);
  AVCodecContext * context = avcodec_alloc_context3(codec);
  context->thread_count = 1;
  avcodec_open2(context, codec, nullptr);
  std::vector<int64_t> shown;
  AVPacket * packet = av_packet_alloc();
  AVFrame * frame = av_frame_alloc();
  for (std::size_t k = 0; k <= units.size(); ++k) {
    if (k < units.size()) {
      av_new_packet(packet, static_cast<int>(units[k].data.size()));
      std::memcpy(packet->data, units[k].data.data(), units[k].data.size());
      packet->pts = static_cast<int64_t>(k);
      avcodec_send_packet(context, packet);
      av_packet_unref(packet);
    } else {
      avcodec_send_packet(context, nullptr);
    }
    while (avcodec_receive_frame(context, frame) == 0) {
      if (frame->best_effort_timestamp < static_cast<int64_t>(packets.size())) {
        shown.push_back(frame->best_effort_timestamp);
      }
    }
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&context);
  std::vector<int64_t> by_time(packets.size());
  for (std::size_t k = 0; k < packets.size(); ++k) {
    by_time[k] = static_cast<int64_t>(k);
  }
  std::stable_sort(by_time.begin(), by_time.end(), [&packets](int64_t a, int64_t b) {
      return packets[a].pts < packets[b].pts;
    });
  if (!prefix) {
    require(by_time == shown, "presentation times do not give the display order");
  }
  int64_t first = packets[0].pts, last = packets[0].pts + packets[0].duration;
  for (const Packet & p : packets) {
    first = std::min(first, p.pts);
    last = std::max(last, p.pts + p.duration);
  }
  const double duration = av_q2d(time_base) * double(last - first);
  const double frame_time = 1.0 / 25;
  std::printf("%s: %zu units byte-identical, %s, %.3f s for a stamp span of %.3f s\n", path.c_str(),
    packets.size(), prefix ? "a prefix" : "display order right", duration, span);
  if (!prefix && timed) {
    require(std::fabs(duration - (span + frame_time)) <= frame_time, "the duration is not what the stamps say");
  }
  avcodec_parameters_free(&parameters);
  avcodec_parameters_free(&sample_parameters);
  return 0;
}

std::vector<std::string> pictures_in(const std::string & directory)
{
  std::vector<std::string> names;
  DIR * dir = opendir(directory.c_str());
  require(dir != nullptr, "no folder " + directory);
  while (dirent * entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() > 4 && name.substr(name.size() - 4) == ".png") {
      names.push_back(directory + "/" + name);
    }
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// The pictures in DIR are the sample's frames decoded directly (all of them,
// or the last `last` of each).
int check_frames(const std::string & directory, const std::string & sample, std::size_t last)
{
  const std::vector<std::string> names = pictures_in(directory);
  const std::vector<media::Picture> reference = decode_reference(sample);
  if (last == 0) {
    require(names.size() == reference.size(),
      std::to_string(names.size()) + " pictures for " + std::to_string(reference.size()) + " frames");
    last = names.size();
  }
  require(names.size() >= last, "fewer pictures than compared");
  for (std::size_t i = 0; i < last; ++i) {
    const media::Picture picture = media::read_png(names[names.size() - last + i]);
    require(picture.rgb == reference[reference.size() - last + i].rgb,
      names[names.size() - last + i] + " differs from the reference frame");
  }
  std::printf("%zu pictures of %zu equal the directly decoded frames\n", last, names.size());
  return 0;
}

int check_sheet(const std::string & path, const std::string & sample, int columns, int rows, int tile_width)
{
  const media::Picture sheet = media::read_png(path);
  const std::vector<media::Picture> full = decode_reference(sample);
  const int tile_height = (tile_width * full[0].height / full[0].width + 1) & ~1;
  require(sheet.width == columns * tile_width && sheet.height == rows * tile_height, "not the stated grid");
  const std::vector<media::Picture> tiles = decode_reference(sample, tile_width, tile_height);
  const std::size_t count = static_cast<std::size_t>(columns * rows);
  for (std::size_t i = 0; i < count; ++i) {
    const media::Picture & tile = tiles[i * tiles.size() / count];
    const int x0 = static_cast<int>(i % columns) * tile_width, y0 = static_cast<int>(i / columns) * tile_height;
    for (int y = 0; y < tile_height; ++y) {
      require(std::equal(tile.rgb.begin() + 3 * tile_width * y, tile.rgb.begin() + 3 * tile_width * (y + 1),
        sheet.rgb.begin() + 3 * (std::size_t(sheet.width) * (y0 + y) + x0)), "tile " + std::to_string(i) + " differs");
    }
  }
  std::printf("%s: %dx%d tiles of %dx%d, each the scaled frame\n", path.c_str(), columns, rows, tile_width, tile_height);
  return 0;
}

// The originals recorded are the pattern frames sent, byte for byte; the
// recording decodes to as many frames, each within MIN_PSNR of its original.
int check_originals(
  const std::string & originals_path, const std::string & recording_path, int width, int height,
  std::size_t frames, double min_psnr)
{
  std::ifstream file(originals_path, std::ios::binary);
  const Bytes originals((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t frame_size = std::size_t(3) * width * height;
  require(originals.size() == frames * frame_size, "the originals are not " + std::to_string(frames) + " frames");
  media::Picture pattern(width, height);
  for (std::size_t i = 0; i < frames; ++i) {
    media::test_pattern(pattern, static_cast<int64_t>(i));
    require(std::equal(pattern.rgb.begin(), pattern.rgb.end(), originals.begin() + i * frame_size),
      "original " + std::to_string(i) + " is not the frame sent");
  }
  const std::vector<media::Picture> decoded = decode_reference(recording_path);
  require(decoded.size() == frames, std::to_string(decoded.size()) + " frames decoded for " +
    std::to_string(frames) + " sent");
  double lowest = 1e9, sum = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    double squared = 0;
    for (std::size_t b = 0; b < frame_size; ++b) {
      const double d = double(decoded[i].rgb[b]) - originals[i * frame_size + b];
      squared += d * d;
    }
    const double psnr = squared == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * frame_size / squared);
    lowest = std::min(lowest, psnr);
    sum += psnr;
  }
  std::printf("%zu frames, originals byte-identical; PSNR against them: lowest %.2f dB, mean %.2f dB\n",
    frames, lowest, sum / frames);
  require(lowest >= min_psnr, "a frame is below " + std::to_string(min_psnr) + " dB");
  return 0;
}
int damage(const std::string & sample, const std::string & out)
{
  std::ifstream file(sample, std::ios::binary);
  const Bytes stream((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const annexb::Codec codec = annexb::guess_codec(sample, stream);
  const std::vector<annexb::AccessUnit> units = annexb::split_access_units(stream, codec);
  require(units.size() > 60, "the sample is too short to damage");
  std::ofstream damaged(out, std::ios::binary | std::ios::trunc);
  for (std::size_t k = 0; k < units.size(); ++k) {
    const std::size_t size = k == 20 ? units[k].size / 2 : k == 30 ? 0 : units[k].size;
    damaged.write(reinterpret_cast<const char *>(stream.data() + units[k].offset), static_cast<std::streamsize>(size));
  }
  return damaged.flush() ? 0 : 1;
}
// The test pattern as a y4m file of the layout `colour` ("420jpeg",
// "420p10", "422", "444", ...), converted by libswscale; `interlacing` the
// I tag's value.
int write_y4m(const std::string & out, int width, int height, const std::string & colour, std::size_t frames,
  const std::string & interlacing)
{
  const std::string name = colour == "420jpeg" ? "yuv420p" :
    "yuv" + colour.substr(0, 3) + "p" + (colour.size() > 4 ? colour.substr(4) + "le" : "");
  const AVPixelFormat format = av_get_pix_fmt(name.c_str());
  require(format != AV_PIX_FMT_NONE, "no pixel format " + name);
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  file << "YUV4MPEG2 W" << width << " H" << height << " F25:1 I" << interlacing << " A1:1 C" << colour << "\n";
  const int size = av_image_get_buffer_size(format, width, height, 1);
  Bytes buffer(static_cast<std::size_t>(size));
  media::Picture pattern(width, height);
  SwsContext * scaler = sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, format, SWS_BICUBIC,
      nullptr, nullptr, nullptr);
  for (std::size_t i = 0; i < frames; ++i) {
    media::test_pattern(pattern, static_cast<int64_t>(i));
    uint8_t * planes[4];
    int strides[4];
    av_image_fill_arrays(planes, strides, buffer.data(), format, width, height, 1);
    const uint8_t * from[1] = {pattern.rgb.data()};
    const int from_stride[1] = {3 * width};
    sws_scale(scaler, from, from_stride, 0, height, planes, strides);
    file << "FRAME\n";
    file.write(reinterpret_cast<const char *>(buffer.data()), size);
  }
  sws_freeContext(scaler);
  return file.flush() ? 0 : 1;
}

// The recording's pictures against the reference's (both decoded by
// libavformat and libavcodec: a y4m reference as raw video), frame for frame,
// over the reference's size (a padded recording is larger by a row or
// column), each converted to RGB at that size.
int compare_pictures(const std::string & recording, const std::string & reference, std::size_t frames, double min_psnr)
{
  const std::vector<media::Picture> expected = decode_reference(reference);
  require(!expected.empty(), reference + " decodes to nothing");
  const std::vector<media::Picture> decoded =
    decode_reference(recording, expected[0].width, expected[0].height, true);
  require(decoded.size() == frames && expected.size() == frames, std::to_string(decoded.size()) + " and " +
    std::to_string(expected.size()) + " frames decoded, " + std::to_string(frames) + " expected");
  double lowest = 1e9;
  for (std::size_t i = 0; i < frames; ++i) {
    const int width = expected[i].width, height = expected[i].height;
    double squared = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < 3 * width; ++x) {
        const double d = double(decoded[i].rgb[std::size_t(3) * width * y + x]) -
          expected[i].rgb[std::size_t(3) * width * y + x];
        squared += d * d;
      }
    }
    const double psnr = squared == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * 3 * width * height / squared);
    lowest = std::min(lowest, psnr);
  }
  std::printf("%s: %zu frames, lowest PSNR against %s over its %dx%d: %.2f dB\n", recording.c_str(), frames,
    reference.c_str(), expected[0].width, expected[0].height, lowest);
  require(lowest >= min_psnr, "a frame is below " + std::to_string(min_psnr) + " dB");
  return 0;
}

int probe(const std::string & path)
{
  AVCodecParameters * parameters = avcodec_parameters_alloc();
  AVRational time_base;
  const std::vector<Packet> packets = read_packets(path, parameters, &time_base);
  require(!packets.empty(), path + " has no packet");
  int64_t first = packets[0].pts, last = packets[0].pts + packets[0].duration;
  for (const Packet & p : packets) {
    first = std::min(first, p.pts);
    last = std::max(last, p.pts + p.duration);
  }
  const uint32_t tag = parameters->codec_tag;
  std::printf("frames %zu duration %.3f start %.3f tag %c%c%c%c size %dx%d\n", packets.size(),
    av_q2d(time_base) * double(last - first), av_q2d(time_base) * double(first), tag ? char(tag) : '-',
    tag ? char(tag >> 8) : '-', tag ? char(tag >> 16) : '-', tag ? char(tag >> 24) : '-', parameters->width,
    parameters->height);
  avcodec_parameters_free(&parameters);
  return 0;
}

int write_units(const std::string & sample, std::size_t first, std::size_t count, const std::string & out)
{
  std::ifstream file(sample, std::ios::binary);
  const Bytes stream((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::vector<annexb::AccessUnit> units = annexb::split_access_units(stream, annexb::guess_codec(sample, stream));
  std::ofstream repeated(out, std::ios::binary | std::ios::trunc);
  for (std::size_t k = 0; k < count; ++k) {
    const annexb::AccessUnit & unit = units[(first + k) % units.size()];
    repeated.write(reinterpret_cast<const char *>(stream.data() + unit.offset), static_cast<std::streamsize>(unit.size));
  }
  return repeated.flush() ? 0 : 1;
}
// A burst: stamps closer together than the container's ticks must still give
// a whole file in display order.
int burst(const std::string & sample, const std::string & out)
{
  {
    std::ifstream file(sample, std::ios::binary);
    const Bytes stream((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const annexb::Codec codec = annexb::guess_codec(sample, stream);
    stream::OutputFile output(out, true);
    media::ContainerWriter writer(output, *media::container_for(out), codec);
    int64_t k = 0;
    for (const annexb::AccessUnit & unit : annexb::split_access_units(stream, codec)) {
      writer.write(stream.data() + unit.offset, unit.size, 1000 * k++);
    }
    writer.close();
    output.close();
  }
  return check_container(out, sample, 0, false, false);
}
}  // namespace

int main(int argc, char ** argv)
{
  try {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "container" && argc >= 5) {
      return check_container(argv[2], argv[3], std::atof(argv[4]), argc > 5);
    }
    if (command == "frames" && argc >= 4) {
      return check_frames(argv[2], argv[3], argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 0);
    }
    if (command == "sheet" && argc == 7) {
      return check_sheet(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
    }
    if (command == "originals" && argc == 8) {
      return check_originals(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]),
        std::strtoul(argv[6], nullptr, 10), std::atof(argv[7]));
    }
    if (command == "burst" && argc == 4) {
      return burst(argv[2], argv[3]);
    }
    if (command == "y4m" && argc >= 7) {
      return write_y4m(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), argv[5], std::strtoul(argv[6], nullptr, 10),
        argc > 7 ? argv[7] : "p");
    }
    if (command == "compare" && argc == 6) {
      return compare_pictures(argv[2], argv[3], std::strtoul(argv[4], nullptr, 10), std::atof(argv[5]));
    }
    if (command == "probe" && argc == 3) {
      return probe(argv[2]);
    }
    if (command == "units" && argc == 6) {
      return write_units(argv[2], std::strtoul(argv[3], nullptr, 10), std::strtoul(argv[4], nullptr, 10), argv[5]);
    }
    if (command == "damage" && argc == 4) {
      return damage(argv[2], argv[3]);
    }
    std::fprintf(stderr, "usage: see the top of check_media.cpp\n");
    return 2;
  } catch (const std::exception & error) {
    std::fprintf(stderr, "check_media: %s\n", error.what());
    return 1;
  }
}
