#ifndef ORVANE_H26X_MSGS_TOOLS__SOURCES__PACED_SOURCE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SOURCES__PACED_SOURCE_HPP_

// Gives a recorded source's moments out in real time and stamps them: moment
// n is due `n / fps` after the first, or at its own time on the source's
// timeline (a file's decode times) when `follow_timeline`; with neither
// (fps 0) as fast as it is asked. Stamped with when it was due (the
// timeline mapped onto now) when `stamp_on_timeline`, else with when it is
// given out.

#include <chrono>
#include <memory>

#include "stream/pipeline.hpp"

namespace sources
{

class PacedSource : public stream::Source
{
public:
  // `speed`: the timeline runs this many times as fast as real time.
  PacedSource(
    std::unique_ptr<stream::Source> inner, double fps, bool follow_timeline, bool stamp_on_timeline,
    double speed = 1);
  bool next(stream::Moment & moment) override;
  bool ok() const override {return inner_->ok();}
  std::string ending() const override {return inner_->ending();}

private:
  std::unique_ptr<stream::Source> inner_;
  const double fps_;
  const bool follow_timeline_;
  const bool stamp_on_timeline_;
  const double speed_;
  uint64_t next_ = 0;
  int64_t first_media_time_ = -1;
  std::chrono::steady_clock::time_point start_;
  int64_t start_ns_ = 0;
};

}  // namespace sources

#endif  // ORVANE_H26X_MSGS_TOOLS__SOURCES__PACED_SOURCE_HPP_
