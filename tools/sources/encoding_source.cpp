#include "sources/encoding_source.hpp"

extern "C" {
#include <libavutil/frame.h>
}

namespace sources
{
namespace
{
constexpr std::chrono::seconds kForcedKeyInterval{1};

int even(uint32_t side) {return static_cast<int>(side + (side & 1));}
}  // namespace

EncodingSource::EncodingSource(
  std::unique_ptr<stream::Source> raw, const media::Encoder::Settings & settings, bool originals)
: raw_(std::move(raw)), settings_(settings), fixed_size_(settings.width > 0 && settings.height > 0),
  originals_(originals)
{
  if (fixed_size_) {
    encoder_ = std::make_unique<media::Encoder>(settings_);
  }
}

void EncodingSource::take_units(media::Encoder & encoder, bool finish)
{
  const media::Encoder::Sink sink = [this](const uint8_t * data, std::size_t size, bool key) {
      if (key) {
        key_requested_ = false;
      }
      stream::Unit unit;
      unit.data.assign(data, data + size);
      unit.width = static_cast<uint32_t>(settings_.width);
      unit.height = static_cast<uint32_t>(settings_.height);
      encoded_units_.push_back(std::move(unit));
    };
  if (finish) {
    encoder.finish(sink);
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  const bool force = key_requested_ && (!last_forced_ || now - *last_forced_ >= kForcedKeyInterval);
  if (force) {
    last_forced_ = now;
    ++forced_;
  }
  encoder.encode(sink, force);
}

// Converts the raw frame into the encoder's picture and encodes it; the
// moment waits (its frame as the rgb8 original, when asked) for its unit.
void EncodingSource::encode(stream::Moment & raw)
{
  const stream::Unit & frame = raw.units.at(0);
  AVFrame view = {};
  if (!media::view_raw(frame.encoding, frame.big_endian, static_cast<int>(frame.width),
    static_cast<int>(frame.height), frame.step, frame.data.data(), frame.data.size(), view))
  {
    ++unreadable_;
    if (said_.insert(frame.encoding).second) {
      stream::note("frames of encoding '" + frame.encoding + "' (" + std::to_string(frame.width) + "x" +
        std::to_string(frame.height) + ", " + std::to_string(frame.data.size()) +
        " bytes) cannot be encoded here: skipped");
    }
    return;
  }
  if (!fixed_size_ && (!encoder_ || even(frame.width) != settings_.width || even(frame.height) != settings_.height)) {
    if (encoder_) {
      take_units(*encoder_, true);
      ++restarts_;
      stream::note("the frames are " + std::to_string(frame.width) + "x" + std::to_string(frame.height) +
        " now: the encoder starts again, with a key frame");
    }
    settings_.width = even(frame.width);
    settings_.height = even(frame.height);
    encoder_ = std::make_unique<media::Encoder>(settings_);
  }
  scaler_.convert(view, encoder_->picture());
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
  take_units(*encoder_, false);
}

bool EncodingSource::next(stream::Moment & moment)
{
  while (encoded_units_.empty()) {
    stream::Moment raw;
    if (!finished_ && raw_->next(raw)) {
      if (!raw.end_of_stream && !raw.units.empty()) {
        encode(raw);
      }
      continue;
    }
    if (finished_ || !encoder_) {
      return false;
    }
    finished_ = true;
    take_units(*encoder_, true);
  }
  // One unit per picture, in order (no B-frames).
  moment = std::move(taken_.front());
  taken_.pop_front();
  stream::Unit unit = std::move(encoded_units_.front());
  encoded_units_.pop_front();
  unit.encoding = annexb::codec_name(settings_.codec);
  unit.count = encoded_++;
  moment.units.assign(1, std::move(unit));
  return true;
}

std::string EncodingSource::ending() const
{
  std::string text = raw_->ending();
  if (unreadable_ > 0) {
    text += (text.empty() ? "" : "\n") + std::to_string(unreadable_) + " frames of encodings not read here were skipped";
  }
  return text;
}

}  // namespace sources
