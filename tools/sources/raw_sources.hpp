#ifndef ORVANE_H26X_MSGS_TOOLS__SOURCES__RAW_SOURCES_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SOURCES__RAW_SOURCES_HPP_

// Raw frames: the same rgb8 buffer again and again (the benchmark's camera),
// a moving test pattern taken live, and the pictures of a y4m file.

#include <chrono>
#include <memory>
#include <string>

#include "media/y4m.hpp"
#include "stream/pipeline.hpp"

namespace sources
{

// `frames` rgb8 images of width x height, as a camera driver hands them over.
class RawFramesSource : public stream::Source
{
public:
  RawFramesSource(uint32_t width, uint32_t height, uint64_t frames);
  bool next(stream::Moment & moment) override;

private:
  stream::Unit frame_;
  uint64_t frames_;
  uint64_t next_ = 0;
};

// The moving test pattern (rgb8), taken at `fps` (0: as fast as asked),
// each frame stamped when it is taken.
class PatternSource : public stream::Source
{
public:
  PatternSource(int width, int height, uint64_t frames, double fps);
  bool next(stream::Moment & moment) override;

private:
  media::Picture picture_;
  uint64_t frames_;
  double fps_;
  uint64_t next_ = 0;
  std::chrono::steady_clock::time_point start_;
};

// The pictures of a y4m file as i420 units (8-bit 4:2:0 of an even size),
// on the file's timeline. The first picture is read at once: a file without
// one is an error before anything else happens.
class Y4mSource : public stream::Source
{
public:
  explicit Y4mSource(const std::string & path, uint64_t frames);
  bool next(stream::Moment & moment) override;
  bool ok() const override {return !reader_.truncated();}
  std::string ending() const override;

  int width() const {return reader_.width();}
  int height() const {return reader_.height();}
  double fps() const {return reader_.fps();}
  const std::vector<std::string> & notes() const {return reader_.notes();}

private:
  bool read();
  std::string path_;
  media::Y4mReader reader_;
  media::Owned<AVFrame> picture_;
  uint64_t frames_;
  uint64_t next_ = 0;
  bool have_ = false;  // picture_ holds the next picture
};

}  // namespace sources

#endif  // ORVANE_H26X_MSGS_TOOLS__SOURCES__RAW_SOURCES_HPP_
