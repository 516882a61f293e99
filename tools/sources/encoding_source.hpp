#ifndef ORVANE_H26X_MSGS_TOOLS__SOURCES__ENCODING_SOURCE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SOURCES__ENCODING_SOURCE_HPP_

// Raw frames from another source, encoded here: one access unit a moment,
// with the raw frame's stamp and timeline, and optionally the raw frame
// itself as an rgb8 original.

#include <deque>
#include <memory>

#include "media/codec.hpp"
#include "media/picture.hpp"
#include "stream/pipeline.hpp"

namespace sources
{

class EncodingSource : public stream::Source
{
public:
  EncodingSource(std::unique_ptr<stream::Source> raw, const media::Encoder::Settings & settings, bool originals);
  bool next(stream::Moment & moment) override;
  bool ok() const override {return raw_->ok();}
  std::string ending() const override {return raw_->ending();}
  uint64_t encoded() const {return encoded_;}

private:
  void encode(stream::Moment & raw);
  std::unique_ptr<stream::Source> raw_;
  media::Encoder::Settings settings_;
  media::Encoder encoder_;
  media::Scaler scaler_;
  bool originals_;
  bool finished_ = false;
  std::deque<stream::Moment> taken_;  // raw moments whose units the encoder has not given yet
  std::deque<stream::Unit> encoded_units_;
  uint64_t encoded_ = 0;
};

}  // namespace sources

#endif  // ORVANE_H26X_MSGS_TOOLS__SOURCES__ENCODING_SOURCE_HPP_
