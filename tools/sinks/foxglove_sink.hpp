#ifndef ORVANE_H26X_MSGS_TOOLS__SINKS__FOXGLOVE_SINK_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SINKS__FOXGLOVE_SINK_HPP_

// Stream 0 of the moments as foxglove_msgs/CompressedVideo on a topic, which
// Foxglove plays as video: each access unit as it came, not decoded, with
// the moment's stamp and frame_id and the stream's parameter sets before
// every key frame. Foxglove plays one frame a message and reorders none, so
// a stream with B-frames is said once and passed through as it is. The
// topic starts at a key frame, and after frames were lost goes on at the
// next one: a player shows nothing smeared.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "annexb.hpp"
#include "dds/session.hpp"
#include "media/codec.hpp"
#include "stream/pipeline.hpp"

namespace foreign
{
struct CompressedVideo;
}

namespace sinks
{

class FoxgloveSink : public stream::Sink
{
public:
  FoxgloveSink(const std::string & topic, int domain, orvane_dds::Transport transport);
  ~FoxgloveSink() override;
  void write(const stream::Moment & moment) override;
  // At most 10 s until readers have all.
  void finish() override;
  // On stdout: units sent and skipped. False when none was sent.
  bool report() const override;

private:
  std::unique_ptr<orvane_dds::Session> session_;
  std::unique_ptr<foreign::CompressedVideo> message_;
  std::optional<annexb::Codec> codec_;
  std::unique_ptr<media::PictureOrder> order_;
  std::unique_ptr<annexb::ParameterSetKeeper> sets_;
  bool waiting_for_key_ = true;
  bool said_b_frames_ = false;
  uint64_t next_count_ = 0;
  uint64_t sent_ = 0, skipped_ = 0, not_video_ = 0;
};

}  // namespace sinks

#endif  // ORVANE_H26X_MSGS_TOOLS__SINKS__FOXGLOVE_SINK_HPP_
