#ifndef ORVANE_H26X_MSGS_TOOLS__MEDIA__Y4M_HPP_
#define ORVANE_H26X_MSGS_TOOLS__MEDIA__Y4M_HPP_

// Raw pictures of a YUV4MPEG2 file, given out as what the encoders take:
// 8-bit 4:2:0 of an even size. Other layouts (4:2:2, 4:4:4, 4:1:1, grey,
// 9 to 16 bits) are converted through libswscale; an odd width or height is
// padded by repeating the last column or row.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "media/ffmpeg.hpp"
#include "media/picture.hpp"

namespace media
{

class Y4mReader
{
public:
  // An Error for a file that is not YUV4MPEG2 or has a layout FFmpeg cannot read.
  explicit Y4mReader(const std::string & path);
  int width() const {return width_;}  // of the pictures given out
  int height() const {return height_;}
  double fps() const {return fps_;}
  // What is done to the file's pictures (conversion, padding, interlacing),
  // a line each, for the user.
  const std::vector<std::string> & notes() const {return notes_;}
  // The next picture into `yuv420` (width() x height()); false at the end,
  // also when the file ends inside a frame (then truncated()).
  bool next(AVFrame & yuv420);
  bool truncated() const {return truncated_;}

private:
  struct FileCloser
  {
    void operator()(std::FILE * file) const {std::fclose(file);}
  };
  void read_header(const std::string & path);
  std::unique_ptr<std::FILE, FileCloser> file_;
  int source_width_ = 0, source_height_ = 0;
  int width_ = 0, height_ = 0;
  int format_ = -1;  // AVPixelFormat of the file's pictures
  double fps_ = 25;
  std::vector<uint8_t> buffer_;
  Owned<AVFrame> converted_;  // 4:2:0 at the file's size, for other layouts
  Scaler scaler_;
  std::vector<std::string> notes_;
  bool truncated_ = false;
};

}  // namespace media

#endif  // ORVANE_H26X_MSGS_TOOLS__MEDIA__Y4M_HPP_
