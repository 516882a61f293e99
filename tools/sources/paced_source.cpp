#include "sources/paced_source.hpp"

#include <algorithm>
#include <thread>

namespace sources
{

PacedSource::PacedSource(
  std::unique_ptr<stream::Source> inner, double fps, bool follow_timeline, bool stamp_on_timeline, double speed)
: inner_(std::move(inner)), fps_(fps), follow_timeline_(follow_timeline), stamp_on_timeline_(stamp_on_timeline),
  speed_(speed > 0 ? speed : 1)
{
}

bool PacedSource::next(stream::Moment & moment)
{
  if (!inner_->next(moment)) {
    return false;
  }
  if (next_ == 0) {
    start_ = std::chrono::steady_clock::now();
    start_ns_ = stream::now_ns();
    first_media_time_ = moment.media_time_ns;
  }
  // Where this moment lies after the first, in nanoseconds; -1: nowhere.
  int64_t offset = -1;
  if (moment.media_time_ns >= 0 && first_media_time_ >= 0 && (follow_timeline_ || fps_ <= 0)) {
    offset = static_cast<int64_t>(std::max<int64_t>(0, moment.media_time_ns - first_media_time_) / speed_);
  } else if (fps_ > 0) {
    offset = static_cast<int64_t>(next_ * 1e9 / fps_);
  }
  ++next_;
  const bool paced = fps_ > 0 || follow_timeline_;
  if (paced && offset >= 0) {
    const auto due = start_ + std::chrono::nanoseconds(offset);
    while (!stream::stop_requested && std::chrono::steady_clock::now() < due) {
      std::this_thread::sleep_until(std::min(due, std::chrono::steady_clock::now() + std::chrono::milliseconds(50)));
    }
  }
  moment.stamp_ns = stamp_on_timeline_ && offset >= 0 ? start_ns_ + offset : stream::now_ns();
  return true;
}

}  // namespace sources
