#include "media/picture.hpp"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "media/av.hpp"

namespace media
{
using av::check;
using av::check_allocated;

namespace
{
// Scales `frame` into one packed plane of `format`.
void scale_packed(
  Owned<SwsContext> & context, const AVFrame & frame, int width, int height, AVPixelFormat format, int pixel_bytes,
  uint8_t * out)
{
  context.reset(sws_getCachedContext(
      context.release(), frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
      width, height, format, SWS_AREA, nullptr, nullptr, nullptr));
  check_allocated(context.get(), "a scaler");
  uint8_t * planes[1] = {out};
  const int strides[1] = {pixel_bytes * width};
  sws_scale(context.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
}
}  // namespace

Picture Scaler::to_rgb(const AVFrame & frame, int width, int height)
{
  Picture picture(width > 0 ? width : frame.width, height > 0 ? height : frame.height);
  scale_packed(context_, frame, picture.width, picture.height, AV_PIX_FMT_RGB24, 3, picture.rgb.data());
  return picture;
}

void Scaler::to_packed(const AVFrame & frame, int format, int pixel_bytes, std::vector<uint8_t> & out)
{
  out.resize(std::size_t(pixel_bytes) * frame.width * frame.height);
  scale_packed(
    context_, frame, frame.width, frame.height, static_cast<AVPixelFormat>(format), pixel_bytes, out.data());
}

void Scaler::from_rgb(const Picture & picture, AVFrame & yuv420)
{
  context_.reset(sws_getCachedContext(
      context_.release(), picture.width, picture.height, AV_PIX_FMT_RGB24,
      yuv420.width, yuv420.height, AV_PIX_FMT_YUV420P, SWS_AREA, nullptr, nullptr, nullptr));
  check_allocated(context_.get(), "a scaler");
  const uint8_t * planes[1] = {picture.rgb.data()};
  const int strides[1] = {3 * picture.width};
  sws_scale(context_.get(), planes, strides, 0, picture.height, yuv420.data, yuv420.linesize);
}

void Scaler::convert(const AVFrame & from, AVFrame & to)
{
  context_.reset(sws_getCachedContext(
      context_.release(), from.width, from.height, static_cast<AVPixelFormat>(from.format),
      to.width, to.height, static_cast<AVPixelFormat>(to.format), SWS_AREA, nullptr, nullptr, nullptr));
  check_allocated(context_.get(), "a scaler");
  sws_scale(context_.get(), from.data, from.linesize, 0, from.height, to.data, to.linesize);
}

int raw_pixel_format(const std::string & encoding, bool big_endian)
{
  static const struct
  {
    const char * encoding;
    AVPixelFormat format;
  } formats[] = {
    {"rgb8", AV_PIX_FMT_RGB24}, {"bgr8", AV_PIX_FMT_BGR24}, {"rgba8", AV_PIX_FMT_RGBA}, {"bgra8", AV_PIX_FMT_BGRA},
    {"mono8", AV_PIX_FMT_GRAY8}, {"8UC1", AV_PIX_FMT_GRAY8}, {"yuv422", AV_PIX_FMT_UYVY422},
    {"uyvy", AV_PIX_FMT_UYVY422}, {"yuv422_yuy2", AV_PIX_FMT_YUYV422}, {"yuyv", AV_PIX_FMT_YUYV422},
    {"nv12", AV_PIX_FMT_NV12}, {"i420", AV_PIX_FMT_YUV420P}};
  if (encoding == "mono16" || encoding == "16UC1") {
    return big_endian ? AV_PIX_FMT_GRAY16BE : AV_PIX_FMT_GRAY16LE;
  }
  for (const auto & known : formats) {
    if (encoding == known.encoding) {
      return known.format;
    }
  }
  return -1;
}

bool view_raw(
  const std::string & encoding, bool big_endian, int width, int height, uint32_t step, const uint8_t * data,
  std::size_t size, AVFrame & frame)
{
  const int format = raw_pixel_format(encoding, big_endian);
  if (format < 0 || width <= 0 || height <= 0) {
    return false;
  }
  uint8_t * planes[4] = {};
  int strides[4] = {};
  if (av_image_fill_linesizes(strides, static_cast<AVPixelFormat>(format), width) < 0) {
    return false;
  }
  if (step > 0 && step >= static_cast<uint32_t>(strides[0])) {
    // Rows padded to `step`; the other planes of 4:2:0 scale with it.
    const int scale = strides[1] > 0 ? strides[0] / std::max(1, strides[1]) : 1;
    strides[0] = static_cast<int>(step);
    for (int plane = 1; plane < 4 && strides[plane] > 0; ++plane) {
      strides[plane] = static_cast<int>(step) / std::max(1, scale);
    }
  }
  const int needed = av_image_fill_pointers(planes, static_cast<AVPixelFormat>(format), height,
      const_cast<uint8_t *>(data), strides);
  if (needed < 0 || static_cast<std::size_t>(needed) > size) {
    return false;
  }
  frame.format = format;
  frame.width = width;
  frame.height = height;
  std::copy(planes, planes + 4, frame.data);
  std::copy(strides, strides + 4, frame.linesize);
  return true;
}

std::vector<uint8_t> encode_png(const Picture & picture)
{
  const AVCodec * png = avcodec_find_encoder(AV_CODEC_ID_PNG);
  Owned<AVCodecContext> context(check_allocated(avcodec_alloc_context3(png), "a PNG encoder"));
  context->width = picture.width;
  context->height = picture.height;
  context->pix_fmt = AV_PIX_FMT_RGB24;
  context->time_base = AVRational{1, 1};
  check(avcodec_open2(context.get(), png, nullptr), "cannot open the PNG encoder");
  Owned<AVFrame> frame(check_allocated(av_frame_alloc(), "a frame"));
  frame->format = AV_PIX_FMT_RGB24;
  frame->width = picture.width;
  frame->height = picture.height;
  check(av_frame_get_buffer(frame.get(), 0), "a picture");
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(frame->data[0] + y * frame->linesize[0], picture.rgb.data() + std::size_t(3) * picture.width * y,
      std::size_t(3) * picture.width);
  }
  check(avcodec_send_frame(context.get(), frame.get()), "cannot encode a PNG picture");
  Owned<AVPacket> packet(check_allocated(av_packet_alloc(), "a packet"));
  check(avcodec_receive_packet(context.get(), packet.get()), "cannot encode a PNG picture");
  return std::vector<uint8_t>(packet->data, packet->data + packet->size);
}

JpegEncoder::JpegEncoder(int largest)
: largest_(largest), packet_(check_allocated(av_packet_alloc(), "a packet")) {}

std::vector<uint8_t> JpegEncoder::encode(const AVFrame & frame)
{
  int width = frame.width, height = frame.height;
  if (width > largest_) {
    height = static_cast<int>(int64_t{height} * largest_ / width);
    width = largest_;
  }
  width = std::max(2, width & ~1);
  height = std::max(2, height & ~1);
  if (!context_ || context_->width != width || context_->height != height) {
    const AVCodec * mjpeg = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    context_.reset(check_allocated(avcodec_alloc_context3(mjpeg), "a JPEG encoder"));
    context_->width = width;
    context_->height = height;
    context_->pix_fmt = AV_PIX_FMT_YUVJ420P;
    context_->color_range = AVCOL_RANGE_JPEG;
    context_->time_base = AVRational{1, 25};
    // A fixed quantizer: about quality 90 of the usual 0-100 scale.
    context_->flags |= AV_CODEC_FLAG_QSCALE;
    context_->global_quality = FF_QP2LAMBDA * 3;
    check(avcodec_open2(context_.get(), mjpeg, nullptr), "cannot open the JPEG encoder");
    yuv_.reset(check_allocated(av_frame_alloc(), "a frame"));
    yuv_->format = AV_PIX_FMT_YUVJ420P;
    yuv_->width = width;
    yuv_->height = height;
    check(av_frame_get_buffer(yuv_.get(), 0), "a picture");
  }
  scaler_.convert(frame, *yuv_);
  yuv_->quality = context_->global_quality;
  yuv_->pict_type = AV_PICTURE_TYPE_I;
  check(avcodec_send_frame(context_.get(), yuv_.get()), "cannot encode a JPEG picture");
  check(avcodec_receive_packet(context_.get(), packet_.get()), "cannot encode a JPEG picture");
  std::vector<uint8_t> jpeg(packet_->data, packet_->data + packet_->size);
  av_packet_unref(packet_.get());
  return jpeg;
}

Picture read_png(const std::string & path)
{
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.empty()) {
    throw Error("cannot read " + path);
  }
  const AVCodec * png = avcodec_find_decoder(AV_CODEC_ID_PNG);
  Owned<AVCodecContext> context(check_allocated(avcodec_alloc_context3(png), "a PNG decoder"));
  check(avcodec_open2(context.get(), png, nullptr), "cannot open the PNG decoder");
  Owned<AVPacket> packet(check_allocated(av_packet_alloc(), "a packet"));
  check(av_new_packet(packet.get(), static_cast<int>(bytes.size())), "a packet");
  std::memcpy(packet->data, bytes.data(), bytes.size());
  check(avcodec_send_packet(context.get(), packet.get()), path + " is not a PNG picture");
  Owned<AVFrame> frame(check_allocated(av_frame_alloc(), "a frame"));
  check(avcodec_receive_frame(context.get(), frame.get()), path + " is not a PNG picture");
  Scaler scaler;
  return scaler.to_rgb(*frame);
}

void test_pattern(Picture & picture, int64_t index)
{
  static const uint8_t bars[8][3] = {
    {235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
    {235, 16, 235}, {235, 16, 16}, {16, 16, 235}, {16, 16, 16}};
  const int w = picture.width;
  const int h = picture.height;
  const int block = std::max(8, h / 6);
  const int block_x = static_cast<int>((index * 4) % std::max(1, w - block));
  for (int y = 0; y < h; ++y) {
    uint8_t * row = picture.rgb.data() + std::size_t(3) * w * y;
    for (int x = 0; x < w; ++x) {
      uint8_t * pixel = row + 3 * x;
      if (y < h / 2) {
        std::memcpy(pixel, bars[x * 8 / w], 3);
      } else {
        const auto level = static_cast<uint8_t>(16 + (x * 219 / std::max(1, w - 1)));
        pixel[0] = level;
        pixel[1] = static_cast<uint8_t>(16 + ((y + index) % 220));
        pixel[2] = static_cast<uint8_t>(235 - level + 16);
      }
      if (x >= block_x && x < block_x + block && y >= h / 2 - block / 2 && y < h / 2 + block / 2) {
        pixel[0] = pixel[1] = pixel[2] = 250;
      }
    }
  }
}

}  // namespace media
