#ifndef ORVANE_H26X_MSGS_TOOLS__SINKS__WEB_SINK_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SINKS__WEB_SINK_HPP_

// Every stream of every moment to the browsers' hub: H.264 access units as
// they came (the browser decodes them), and JPEG pictures where a browser
// cannot decode: H.265 (decoded here), raw images and a MultiCompressed's
// originals. Pictures are made only while someone watches, at most
// `jpeg_rate` a second a stream; an H.265 stream a viewer starts watching is
// decoded from its last key frame, so its first picture comes at once.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "media/codec.hpp"
#include "media/picture.hpp"
#include "stream/pipeline.hpp"
#include "web/frame_hub.hpp"

namespace sinks
{

class WebSink : public stream::Sink
{
public:
  WebSink(web::FrameHub & hub, double jpeg_rate);
  ~WebSink() override;
  void write(const stream::Moment & moment) override;
  void finish() override {}
  // On stderr: streams seen, frames passed on, pictures made.
  bool report() const override;

private:
  struct Track;
  Track & track(const stream::Moment & moment, const std::string & label, const stream::Unit & unit, bool original);
  void video(Track & track, const stream::Moment & moment, const stream::Unit & unit);
  void decoded(Track & track, const stream::Unit & unit, const stream::Moment & moment);
  void raw(Track & track, const stream::Moment & moment, const stream::Unit & unit);
  void picture(Track & track, const AVFrame & frame, int64_t stamp_ns, uint64_t count);

  web::FrameHub & hub_;
  const int64_t jpeg_interval_ns_;
  std::map<std::string, std::unique_ptr<Track>> tracks_;
  uint64_t units_ = 0, pictures_ = 0, unreadable_ = 0, too_many_ = 0;
};

}  // namespace sinks

#endif  // ORVANE_H26X_MSGS_TOOLS__SINKS__WEB_SINK_HPP_
