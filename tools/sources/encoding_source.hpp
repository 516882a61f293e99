#ifndef ORVANE_H26X_MSGS_TOOLS__SOURCES__ENCODING_SOURCE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SOURCES__ENCODING_SOURCE_HPP_

// Raw frames from another source, encoded here: one access unit a moment,
// with the raw frame's stamp, frame_id and timeline, and optionally the raw
// frame itself as an rgb8 original. The encoder is made for the first
// frame's size (or the one given) and made again, starting with a key frame,
// when the frames' size changes; frames of an encoding not read here are
// said once, counted and skipped.

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "media/codec.hpp"
#include "media/picture.hpp"
#include "stream/pipeline.hpp"

namespace sources
{

class EncodingSource : public stream::Source
{
public:
  // `settings`: width and height 0 take each frame's own (even sizes: an
  // odd side is scaled to the next even one).
  EncodingSource(std::unique_ptr<stream::Source> raw, const media::Encoder::Settings & settings, bool originals);
  bool next(stream::Moment & moment) override;
  bool ok() const override {return raw_->ok();}
  std::string ending() const override;
  uint64_t encoded() const {return encoded_;}
  // The next picture a key frame (any thread may ask): for a reader that
  // has just joined. At most one a second is forced; a request inside that
  // second waits for its end, and any key frame meanwhile answers it.
  void request_key_frame() {key_requested_ = true;}
  uint64_t forced_key_frames() const {return forced_;}

private:
  void encode(stream::Moment & raw);
  void take_units(media::Encoder & encoder, bool finish);
  std::unique_ptr<stream::Source> raw_;
  media::Encoder::Settings settings_;
  const bool fixed_size_;
  std::unique_ptr<media::Encoder> encoder_;
  media::Scaler scaler_;
  bool originals_;
  bool finished_ = false;
  std::deque<stream::Moment> taken_;  // raw moments whose units the encoder has not given yet
  std::deque<stream::Unit> encoded_units_;
  uint64_t encoded_ = 0;
  uint64_t unreadable_ = 0, restarts_ = 0;
  std::set<std::string> said_;  // encodings said to be unreadable
  std::atomic<bool> key_requested_{false};
  std::optional<std::chrono::steady_clock::time_point> last_forced_;
  uint64_t forced_ = 0;
};

}  // namespace sources

#endif  // ORVANE_H26X_MSGS_TOOLS__SOURCES__ENCODING_SOURCE_HPP_
