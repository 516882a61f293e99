#include "media/y4m.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "media/av.hpp"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace media
{
using av::check;
using av::check_allocated;

namespace
{
// A y4m colour tag ("420jpeg", "422p10", "mono16", ...) as FFmpeg's pixel
// format; AV_PIX_FMT_NONE when unknown.
AVPixelFormat pixel_format(const std::string & tag)
{
  if (tag.empty() || tag == "420" || tag == "420jpeg" || tag == "420mpeg2" || tag == "420paldv") {
    return AV_PIX_FMT_YUV420P;
  }
  if (tag == "444alpha") {
    return AV_PIX_FMT_YUVA444P;
  }
  // Layout, then "p" and the bit depth when above 8 ("mono" takes the depth directly).
  const bool mono = tag.rfind("mono", 0) == 0;
  const std::string layout = mono ? "gray" : "yuv" + tag.substr(0, 3) + "p";
  const std::string depth = mono ? tag.substr(4) : tag.size() > 4 && tag[3] == 'p' ? tag.substr(4) : "";
  if (!mono && tag.size() != 3 && depth.empty()) {
    return AV_PIX_FMT_NONE;
  }
  const std::string name = layout + (depth.empty() || depth == "8" ? "" : depth + "le");
  return av_get_pix_fmt(name.c_str());
}

// Copies rows of one plane, repeating the last column and row to fill `to`.
void copy_padded(const uint8_t * from, int from_stride, int width, int height, uint8_t * to, int to_stride,
  int to_width, int to_height)
{
  for (int y = 0; y < to_height; ++y) {
    const uint8_t * row = from + std::size_t(from_stride) * std::min(y, height - 1);
    uint8_t * out = to + std::size_t(to_stride) * y;
    std::memcpy(out, row, static_cast<std::size_t>(width));
    std::memset(out + width, row[width - 1], static_cast<std::size_t>(to_width - width));
  }
}
}  // namespace

Y4mReader::Y4mReader(const std::string & path)
: file_(std::fopen(path.c_str(), "rb"))
{
  if (!file_) {
    throw Error("cannot read " + path + ": " + std::strerror(errno));
  }
  read_header(path);
  width_ = (source_width_ + 1) & ~1;
  height_ = (source_height_ + 1) & ~1;
  if (width_ != source_width_ || height_ != source_height_) {
    notes_.push_back(path + ": " + std::to_string(source_width_) + "x" + std::to_string(source_height_) +
      " is odd; padded to " + std::to_string(width_) + "x" + std::to_string(height_) +
      " (the last column and row repeated), as the encoders need even sizes");
  }
  const int frame_size = av_image_get_buffer_size(static_cast<AVPixelFormat>(format_), source_width_,
      source_height_, 1);
  check(frame_size, path + ": picture size");
  buffer_.resize(static_cast<std::size_t>(frame_size));
  if (format_ != AV_PIX_FMT_YUV420P) {
    converted_.reset(check_allocated(av_frame_alloc(), "a frame"));
    converted_->format = AV_PIX_FMT_YUV420P;
    converted_->width = source_width_;
    converted_->height = source_height_;
    check(av_frame_get_buffer(converted_.get(), 0), "a picture");
  }
}

void Y4mReader::read_header(const std::string & path)
{
  char header[512] = {};
  if (!std::fgets(header, sizeof(header), file_.get()) || std::strncmp(header, "YUV4MPEG2 ", 10) != 0) {
    throw Error(path + " is not a YUV4MPEG2 file");
  }
  const std::string text(header);
  std::string colour;
  for (std::size_t at = text.find(' '); at != std::string::npos; at = text.find(' ', at)) {
    ++at;
    const char tag = text[at];
    const std::string value = text.substr(at + 1, text.find_first_of(" \n", at) - at - 1);
    int numerator = 0, denominator = 0;
    if (tag == 'W') {
      source_width_ = std::atoi(value.c_str());
    } else if (tag == 'H') {
      source_height_ = std::atoi(value.c_str());
    } else if (tag == 'F' && std::sscanf(value.c_str(), "%d:%d", &numerator, &denominator) == 2 &&
      numerator > 0 && denominator > 0)
    {
      fps_ = double(numerator) / denominator;
    } else if (tag == 'C') {
      colour = value;
    } else if (tag == 'I' && (value == "t" || value == "b" || value == "m")) {
      notes_.push_back(path + " is interlaced (" + (value == "t" ? "top field first" : value == "b" ?
        "bottom field first" : "mixed") + "): its frames are encoded as progressive pictures");
    }
  }
  if (source_width_ <= 0 || source_height_ <= 0 || source_width_ > 16384 || source_height_ > 16384) {
    throw Error(path + " has no valid picture size");
  }
  format_ = pixel_format(colour);
  if (format_ == AV_PIX_FMT_NONE) {
    throw Error(path + ": colour layout C" + colour + " is not one FFmpeg reads");
  }
  if (format_ != AV_PIX_FMT_YUV420P) {
    notes_.push_back(path + ": C" + colour + " pictures are converted to 8-bit 4:2:0 for the encoder");
  }
}

bool Y4mReader::next(AVFrame & yuv420)
{
  char line[256];
  if (!std::fgets(line, sizeof(line), file_.get())) {
    return false;
  }
  if (std::strncmp(line, "FRAME", 5) != 0) {
    truncated_ = true;
    return false;
  }
  if (std::fread(buffer_.data(), 1, buffer_.size(), file_.get()) != buffer_.size()) {
    truncated_ = true;
    return false;
  }
  uint8_t * planes[4] = {};
  int strides[4] = {};
  check(av_image_fill_arrays(planes, strides, buffer_.data(), static_cast<AVPixelFormat>(format_),
    source_width_, source_height_, 1), "a picture");
  if (converted_) {
    AVFrame source = {};
    source.format = format_;
    source.width = source_width_;
    source.height = source_height_;
    std::copy(planes, planes + 4, source.data);
    std::copy(strides, strides + 4, source.linesize);
    scaler_.convert(source, *converted_);
    std::copy(converted_->data, converted_->data + 4, planes);
    std::copy(converted_->linesize, converted_->linesize + 4, strides);
  }
  for (int plane = 0; plane < 3; ++plane) {
    const int shift = plane ? 1 : 0;
    copy_padded(planes[plane], strides[plane], (source_width_ + shift) >> shift, (source_height_ + shift) >> shift,
      yuv420.data[plane], yuv420.linesize[plane], width_ >> shift, height_ >> shift);
  }
  return true;
}

}  // namespace media
