// Speed of the tools' FFmpeg layer: decoding the bundled sample and a
// 1920 x 1080 H.264 stream made by the encoder, encoding at 1920 x 1080, and
// the layer's own cost beside libavcodec called directly on the same data.
// Usage: bench_media SAMPLE.h264 [FRAMES_1080P]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

#include "media/media.hpp"

namespace
{
using Clock = std::chrono::steady_clock;
using Units = std::vector<std::vector<uint8_t>>;

double seconds_since(Clock::time_point start)
{
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// libavcodec alone, as the layer sets it up: the floor the layer is measured against.
double direct_decode(const Units & units, annexb::Codec codec, uint64_t & frames)
{
  const AVCodec * decoder = avcodec_find_decoder(codec == annexb::Codec::H264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_HEVC);
  AVCodecContext * context = avcodec_alloc_context3(decoder);
  context->thread_count = 0;
  avcodec_open2(context, decoder, nullptr);
  AVPacket * packet = av_packet_alloc();
  AVFrame * frame = av_frame_alloc();
  frames = 0;
  const auto start = Clock::now();
  for (std::size_t k = 0; k <= units.size(); ++k) {
    if (k < units.size()) {
      av_new_packet(packet, static_cast<int>(units[k].size()));
      std::memcpy(packet->data, units[k].data(), units[k].size());
      avcodec_send_packet(context, packet);
      av_packet_unref(packet);
    } else {
      avcodec_send_packet(context, nullptr);
    }
    while (avcodec_receive_frame(context, frame) == 0) {
      ++frames;
    }
  }
  const double elapsed = seconds_since(start);
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&context);
  return elapsed;
}

double layer_decode(const Units & units, annexb::Codec codec, uint64_t & frames)
{
  media::Decoder decoder(codec);
  const media::Decoder::Sink sink = [](const AVFrame &) {};
  const auto start = Clock::now();
  int64_t index = 0;
  for (const auto & unit : units) {
    decoder.decode(unit.data(), unit.size(), index++, sink);
  }
  decoder.finish(sink);
  frames = decoder.frames();
  return seconds_since(start);
}

void report_decode(const char * what, const Units & units, annexb::Codec codec)
{
  double best_direct = 1e9, best_layer = 1e9;
  uint64_t frames = 0, direct_frames = 0;
  for (int run = 0; run < 3; ++run) {
    best_direct = std::min(best_direct, direct_decode(units, codec, direct_frames));
    best_layer = std::min(best_layer, layer_decode(units, codec, frames));
  }
  std::printf("| decode %s | %llu | %.0f frames/s | %.0f frames/s | %+.1f %% |\n", what,
    static_cast<unsigned long long>(frames), frames / best_layer, direct_frames / best_direct,
    100.0 * (best_layer - best_direct) / best_direct);
}

Units split(const std::vector<uint8_t> & stream, annexb::Codec codec)
{
  Units units;
  for (const annexb::AccessUnit & unit : annexb::split_access_units(stream, codec)) {
    units.emplace_back(stream.begin() + unit.offset, stream.begin() + unit.offset + unit.size);
  }
  return units;
}
}  // namespace

int main(int argc, char ** argv)
{
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_media SAMPLE.h264 [FRAMES_1080P]\n");
    return 2;
  }
  const int frames_1080p = argc > 2 ? std::atoi(argv[2]) : 100;
  std::ifstream file(argv[1], std::ios::binary);
  const std::vector<uint8_t> sample((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const annexb::Codec sample_codec = annexb::guess_codec(argv[1], sample);
  Units sample_units;
  for (const annexb::AccessUnit & unit : annexb::split_access_units(sample, sample_codec)) {
    sample_units.emplace_back(sample.begin() + unit.offset, sample.begin() + unit.offset + unit.size);
  }

  // Encoding at 1920 x 1080: the test pattern is made beforehand, so that
  // the time is the encoder's and the layer's, with libavcodec's own calls
  // timed separately.
  media::Encoder::Settings settings;
  settings.width = 1920;
  settings.height = 1080;
  media::Encoder encoder(settings);
  media::Scaler scaler;
  media::Picture picture(settings.width, settings.height);
  std::vector<AVFrame *> pictures;
  for (int i = 0; i < frames_1080p; ++i) {
    media::test_pattern(picture, i);
    AVFrame * frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = settings.width;
    frame->height = settings.height;
    av_frame_get_buffer(frame, 0);
    scaler.from_rgb(picture, *frame);
    pictures.push_back(frame);
  }
  std::vector<uint8_t> stream_1080p;
  const media::Encoder::Sink keep = [&stream_1080p](const uint8_t * data, std::size_t size, bool) {
      stream_1080p.insert(stream_1080p.end(), data, data + size);
    };
  const auto start = Clock::now();
  for (AVFrame * frame : pictures) {
    av_frame_copy(&encoder.picture(), frame);
    encoder.encode(keep);
  }
  encoder.finish(keep);
  const double encode_seconds = seconds_since(start);
  for (AVFrame * frame : pictures) {
    av_frame_free(&frame);
  }

  std::printf("| what | frames | tools' layer | libavcodec alone | layer's own cost |\n|---|---|---|---|---|\n");
  report_decode("sample, H.264 320x240", sample_units, annexb::Codec::H264);
  report_decode("H.264 1920x1080 from the encoder", split(stream_1080p, annexb::Codec::H264), annexb::Codec::H264);
  std::printf("| encode H.264 1920x1080 (veryfast, zerolatency) | %d | %.1f frames/s | | |\n", frames_1080p,
    frames_1080p / encode_seconds);
  return 0;
}
