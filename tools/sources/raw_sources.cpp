#include "sources/raw_sources.hpp"

#include <algorithm>
#include <thread>

extern "C" {
#include <libavutil/frame.h>
}

namespace sources
{
namespace
{
// Sleeps until `due`, waking for a stop request.
void sleep_until(std::chrono::steady_clock::time_point due)
{
  while (!stream::stop_requested && std::chrono::steady_clock::now() < due) {
    std::this_thread::sleep_until(std::min(due, std::chrono::steady_clock::now() + std::chrono::milliseconds(50)));
  }
}
}  // namespace

RawFramesSource::RawFramesSource(uint32_t width, uint32_t height, uint64_t frames)
: frames_(frames)
{
  frame_.encoding = "rgb8";
  frame_.width = width;
  frame_.height = height;
  frame_.step = 3 * width;
  frame_.data.assign(std::size_t(frame_.step) * height, 0x80);
}

bool RawFramesSource::next(stream::Moment & moment)
{
  if (next_ >= frames_) {
    return false;
  }
  // The moment handed back is reused: its frame is already this one.
  if (moment.units.size() != 1 || moment.units[0].data.size() != frame_.data.size() || !moment.originals.empty()) {
    moment = stream::Moment{};
    moment.units.assign(1, frame_);
  }
  moment.stamp_ns = 0;
  moment.media_time_ns = -1;
  moment.units[0].count = next_++;
  return true;
}

PatternSource::PatternSource(int width, int height, uint64_t frames, double fps)
: picture_(width, height), frames_(frames), fps_(fps)
{
}

bool PatternSource::next(stream::Moment & moment)
{
  if (next_ >= frames_ || stream::stop_requested) {
    return false;
  }
  if (next_ == 0) {
    start_ = std::chrono::steady_clock::now();
  } else if (fps_ > 0) {
    sleep_until(start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(next_ / fps_)));
  }
  media::test_pattern(picture_, static_cast<int64_t>(next_));
  moment = stream::Moment{};
  moment.stamp_ns = stream::now_ns();  // taken now
  stream::Unit unit;
  unit.encoding = "rgb8";
  unit.width = static_cast<uint32_t>(picture_.width);
  unit.height = static_cast<uint32_t>(picture_.height);
  unit.step = 3 * unit.width;
  unit.count = next_++;
  unit.data = picture_.rgb;
  moment.units.push_back(std::move(unit));
  return true;
}

Y4mSource::Y4mSource(const std::string & path, uint64_t frames)
: path_(path), reader_(path), frames_(frames)
{
  picture_.reset(av_frame_alloc());
  if (!picture_) {
    throw media::Error("out of memory for a frame");
  }
  picture_->format = AV_PIX_FMT_YUV420P;
  picture_->width = reader_.width();
  picture_->height = reader_.height();
  if (av_frame_get_buffer(picture_.get(), 0) < 0) {
    throw media::Error("out of memory for a frame");
  }
  if (!read()) {
    throw media::Error(path + " holds no whole frame");
  }
}

bool Y4mSource::read()
{
  have_ = next_ < frames_ && reader_.next(*picture_);
  return have_;
}

std::string Y4mSource::ending() const
{
  return reader_.truncated() ? path_ + " ends inside a frame: " + std::to_string(next_) + " whole frames taken" : "";
}

bool Y4mSource::next(stream::Moment & moment)
{
  if (!have_) {
    return false;
  }
  moment = stream::Moment{};
  moment.media_time_ns = static_cast<int64_t>(next_ * 1e9 / reader_.fps());
  stream::Unit unit;
  unit.encoding = "i420";
  unit.width = static_cast<uint32_t>(picture_->width);
  unit.height = static_cast<uint32_t>(picture_->height);
  unit.step = unit.width;
  unit.count = next_++;
  // Planes back to back, rows without padding.
  const int w = picture_->width, h = picture_->height;
  unit.data.resize(std::size_t(w) * h * 3 / 2);
  uint8_t * out = unit.data.data();
  for (int plane = 0; plane < 3; ++plane) {
    const int pw = plane ? w / 2 : w, ph = plane ? h / 2 : h;
    for (int y = 0; y < ph; ++y, out += pw) {
      std::copy_n(picture_->data[plane] + std::size_t(picture_->linesize[plane]) * y, pw, out);
    }
  }
  moment.units.push_back(std::move(unit));
  read();
  return true;
}

}  // namespace sources
