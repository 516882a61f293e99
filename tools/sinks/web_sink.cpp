#include "sinks/web_sink.hpp"

#include "media/av.hpp"

namespace sinks
{

struct WebSink::Track
{
  uint32_t id = 0;
  web::StreamInfo info;
  // H.265: the units from the last key frame on, and a decoder while watched.
  std::vector<stream::Unit> from_key;
  std::size_t from_key_bytes = 0;
  bool from_key_complete = false;
  std::unique_ptr<media::Decoder> decoder;
  bool pictured = false;
  int64_t last_picture_ns = 0;
  bool force_picture = false;
  media::JpegEncoder jpeg;
};

WebSink::WebSink(web::FrameHub & hub, double jpeg_rate)
: hub_(hub), jpeg_interval_ns_(jpeg_rate > 0 ? static_cast<int64_t>(1e9 / jpeg_rate) : 0) {}

WebSink::~WebSink() = default;

WebSink::Track & WebSink::track(
  const stream::Moment & moment, const std::string & label, const stream::Unit & unit, bool original)
{
  std::unique_ptr<Track> & known = tracks_[moment.topic + "\n" + label];
  if (!known) {
    known = std::make_unique<Track>();
  }
  const std::optional<annexb::Codec> codec = stream::video_codec(unit.encoding);
  const std::string name = codec ? (*codec == annexb::Codec::H264 ? "h264" : "h265") : unit.encoding;
  web::StreamInfo & info = known->info;
  if (known->id == 0 || info.codec != name || info.width != unit.width || info.height != unit.height) {
    info.topic = moment.topic;
    info.type = moment.type;
    info.label = label;
    info.codec = name;
    info.jpeg = original || !codec || *codec != annexb::Codec::H264;
    info.width = unit.width;
    info.height = unit.height;
    known->id = hub_.stream(info);
    known->decoder.reset();
    known->from_key.clear();
    known->from_key_bytes = 0;
    known->from_key_complete = false;
    too_many_ += known->id == 0;
  }
  return *known;
}

void WebSink::write(const stream::Moment & moment)
{
  if (moment.end_of_stream) {
    for (const auto & entry : tracks_) {
      if (entry.second->info.topic == moment.topic) {
        hub_.ended(entry.second->id);
      }
    }
    return;
  }
  for (std::size_t k = 0; k < moment.units.size(); ++k) {
    const stream::Unit & unit = moment.units[k];
    if (!unit.present) {
      continue;
    }
    Track & track = this->track(moment, "stream " + std::to_string(k), unit, false);
    if (track.id == 0) {
      continue;
    }
    hub_.seen(track.id, moment.stamp_ns);
    const std::optional<annexb::Codec> codec = stream::video_codec(unit.encoding);
    if (codec == annexb::Codec::H264) {
      video(track, moment, unit);
    } else if (codec == annexb::Codec::H265) {
      decoded(track, unit, moment);
    } else {
      raw(track, moment, unit);
    }
  }
  for (std::size_t k = 0; k < moment.originals.size(); ++k) {
    const stream::Unit & original = moment.originals[k];
    if (original.present) {
      Track & track = this->track(moment, "original " + std::to_string(k), original, true);
      if (track.id != 0) {
        hub_.seen(track.id, moment.stamp_ns);
        raw(track, moment, original);
      }
    }
  }
}

void WebSink::video(Track & track, const stream::Moment & moment, const stream::Unit & unit)
{
  web::Frame frame;
  frame.kind = web::FrameKind::ACCESS_UNIT;
  frame.key = stream::is_key(unit);
  frame.stamp_ns = moment.stamp_ns;
  frame.count = unit.count;
  frame.data = std::make_shared<const std::vector<uint8_t>>(unit.data);
  hub_.publish(track.id, std::move(frame));
  ++units_;
}

void WebSink::decoded(Track & track, const stream::Unit & unit, const stream::Moment & moment)
{
  if (stream::is_key(unit)) {
    track.from_key.clear();
    track.from_key_bytes = 0;
    track.from_key_complete = true;
  }
  if (track.from_key_complete) {
    track.from_key.push_back(unit);
    track.from_key.back().count = static_cast<uint64_t>(moment.stamp_ns);  // its stamp, for the catch-up
    track.from_key_bytes += unit.data.size();
    if (track.from_key.size() > web::kCacheUnits || track.from_key_bytes > web::kCacheBytes) {
      track.from_key.clear();
      track.from_key_bytes = 0;
      track.from_key_complete = false;
    }
  }
  ++units_;
  if (!hub_.watched(track.id)) {
    track.decoder.reset();
    return;
  }
  auto show = [&](const AVFrame & frame) {picture(track, frame, frame.pts, unit.count);};
  if (!track.decoder) {
    track.decoder = std::make_unique<media::Decoder>(annexb::Codec::H265, 0, true);
    if (track.from_key_complete) {
      // From the last key frame up to this unit: its picture is shown at once.
      track.force_picture = true;
      for (const stream::Unit & held : track.from_key) {
        track.decoder->decode(held.data.data(), held.data.size(), static_cast<int64_t>(held.count), show);
      }
      return;
    }
  }
  track.decoder->decode(unit.data.data(), unit.data.size(), moment.stamp_ns, show);
}

void WebSink::raw(Track & track, const stream::Moment & moment, const stream::Unit & unit)
{
  ++units_;
  if (!hub_.watched(track.id) || (track.pictured && moment.stamp_ns - track.last_picture_ns < jpeg_interval_ns_)) {
    return;
  }
  AVFrame frame = {};
  if (!media::view_raw(unit.encoding, unit.big_endian, static_cast<int>(unit.width), static_cast<int>(unit.height),
    unit.step, unit.data.data(), unit.data.size(), frame))
  {
    ++unreadable_;
    return;
  }
  picture(track, frame, moment.stamp_ns, unit.count);
}

void WebSink::picture(Track & track, const AVFrame & frame, int64_t stamp_ns, uint64_t count)
{
  if (!track.force_picture && track.pictured && stamp_ns - track.last_picture_ns < jpeg_interval_ns_) {
    return;
  }
  web::Frame jpeg;
  try {
    jpeg.data = std::make_shared<const std::vector<uint8_t>>(track.jpeg.encode(frame));
  } catch (const std::exception &) {
    ++unreadable_;
    return;
  }
  track.force_picture = false;
  track.pictured = true;
  track.last_picture_ns = stamp_ns;
  jpeg.kind = web::FrameKind::JPEG;
  jpeg.key = true;
  jpeg.stamp_ns = stamp_ns;
  jpeg.count = count;
  hub_.publish(track.id, std::move(jpeg));
  ++pictures_;
}

bool WebSink::report() const
{
  char line[200];
  std::snprintf(line, sizeof(line), "%zu streams seen, %llu units passed on, %llu pictures made%s", tracks_.size(),
    static_cast<unsigned long long>(units_), static_cast<unsigned long long>(pictures_),
    unreadable_ ? ", some frames in encodings not shown" : "");
  stream::note(line);
  if (too_many_ > 0) {
    stream::note("more than " + std::to_string(web::kMaxStreams) + " streams: the others are not served");
  }
  return true;
}

}  // namespace sinks
