#ifndef ORVANE_H26X_MSGS_TOOLS__MEDIA__PICTURE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__MEDIA__PICTURE_HPP_

// RGB pictures: from and to decoded frames (libswscale), PNG (libavcodec),
// and the moving test pattern the encoder sends.

#include <cstdint>
#include <string>
#include <vector>

#include "media/ffmpeg.hpp"

namespace media
{

// An RGB picture, 3 bytes a pixel, rows back to back.
struct Picture
{
  Picture() = default;
  Picture(int width, int height) : width(width), height(height), rgb(std::size_t(3) * width * height) {}
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

class Scaler
{
public:
  // Any decoded picture to RGB of the given size (0: the picture's own).
  Picture to_rgb(const AVFrame & frame, int width = 0, int height = 0);
  void from_rgb(const Picture & picture, AVFrame & yuv420);
  // Any decoded picture, same size, to a packed pixel format (AVPixelFormat
  // `format`, `pixel_bytes` a pixel), rows back to back into `out`.
  void to_packed(const AVFrame & frame, int format, int pixel_bytes, std::vector<uint8_t> & out);
  // Between two allocated frames of any formats and sizes.
  void convert(const AVFrame & from, AVFrame & to);

private:
  Owned<SwsContext> context_;
};

// The pixel format (AVPixelFormat) of a raw image encoding: ROS's
// sensor_msgs names (rgb8, bgr8, rgba8, bgra8, mono8, mono16, yuv422 = UYVY,
// yuv422_yuy2, uyvy, nv12) and i420, the planar 4:2:0 the tools pass between
// their own stages; -1 for any other.
int raw_pixel_format(const std::string & encoding, bool big_endian = false);

// An AVFrame that views a raw image's bytes without copying them (`step`:
// bytes a row of the first plane, 0 for packed rows). False when the
// encoding is unknown or the bytes are too few for the size.
bool view_raw(
  const std::string & encoding, bool big_endian, int width, int height, uint32_t step, const uint8_t * data,
  std::size_t size, AVFrame & frame);

// PNG through libavcodec's encoder and decoder.
std::vector<uint8_t> encode_png(const Picture & picture);
Picture read_png(const std::string & path);

// JPEG pictures of any decoded or raw frame (libavcodec's MJPEG encoder),
// at most `largest` pixels wide (larger ones are scaled down, even sizes).
class JpegEncoder
{
public:
  explicit JpegEncoder(int largest = 1920);
  std::vector<uint8_t> encode(const AVFrame & frame);

private:
  int largest_;
  Owned<AVCodecContext> context_;
  Owned<AVFrame> yuv_;
  Owned<AVPacket> packet_;
  Scaler scaler_;
};

// A moving test picture (colour bars, a gradient and a sweeping block).
void test_pattern(Picture & picture, int64_t index);

}  // namespace media

#endif  // ORVANE_H26X_MSGS_TOOLS__MEDIA__PICTURE_HPP_
