#include "sources/encoding_source.hpp"

extern "C" {
#include <libavutil/frame.h>
}

namespace sources
{

EncodingSource::EncodingSource(
  std::unique_ptr<stream::Source> raw, const media::Encoder::Settings & settings, bool originals)
: raw_(std::move(raw)), settings_(settings), encoder_(settings), originals_(originals)
{
}

// Converts the raw frame into the encoder's picture and encodes it; the
// moment waits (its frame as the rgb8 original, when asked) for its unit.
void EncodingSource::encode(stream::Moment & raw)
{
  const stream::Unit & frame = raw.units.at(0);
  AVFrame view = {};
  if (!media::view_raw(frame.encoding, false, static_cast<int>(frame.width), static_cast<int>(frame.height),
    frame.step, frame.data.data(), frame.data.size(), view))
  {
    throw media::Error("cannot encode " + frame.encoding + " frames of " + std::to_string(frame.width) + "x" +
            std::to_string(frame.height));
  }
  scaler_.convert(view, encoder_.picture());
  if (originals_) {
    stream::Unit original;
    original.encoding = "rgb8";
    original.width = frame.width;
    original.height = frame.height;
    original.step = 3 * frame.width;
    original.count = frame.count;
    if (frame.encoding == "rgb8" && frame.step == original.step) {
      original.data = std::move(raw.units[0].data);
    } else {
      original.data = scaler_.to_rgb(view).rgb;
    }
    raw.originals.assign(1, std::move(original));
  }
  raw.units.clear();
  taken_.push_back(std::move(raw));
  encoder_.encode([this](const uint8_t * data, std::size_t size, bool) {
      stream::Unit unit;
      unit.data.assign(data, data + size);
      encoded_units_.push_back(std::move(unit));
    });
}

bool EncodingSource::next(stream::Moment & moment)
{
  while (encoded_units_.empty()) {
    stream::Moment raw;
    if (!finished_ && raw_->next(raw)) {
      encode(raw);
      continue;
    }
    if (finished_) {
      return false;
    }
    finished_ = true;
    encoder_.finish([this](const uint8_t * data, std::size_t size, bool) {
        stream::Unit unit;
        unit.data.assign(data, data + size);
        encoded_units_.push_back(std::move(unit));
      });
  }
  // One unit per picture, in order (no B-frames).
  moment = std::move(taken_.front());
  taken_.pop_front();
  stream::Unit unit = std::move(encoded_units_.front());
  encoded_units_.pop_front();
  unit.encoding = annexb::codec_name(settings_.codec);
  unit.width = static_cast<uint32_t>(settings_.width);
  unit.height = static_cast<uint32_t>(settings_.height);
  unit.count = encoded_++;
  moment.units.assign(1, std::move(unit));
  return true;
}

}  // namespace sources
