#include "sources/file_source.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace sources
{

FileSource::FileSource(const std::string & path, bool loop)
: path_(path), loop_(loop)
{
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw media::Error("cannot read " + path + ": " + std::strerror(errno));
  }
  // An Annex-B stream starts with a start code; anything else is asked of
  // libavformat, which reads containers whatever their name.
  char head[4] = {};
  file.read(head, sizeof(head));
  const bool starts_annexb = file.gcount() == 4 && head[0] == 0 && head[1] == 0 &&
    (head[2] == 1 || (head[2] == 0 && head[3] == 1));
  if (!starts_annexb) {
    try {
      demuxer_ = std::make_unique<media::Demuxer>(path);
    } catch (const media::Error &) {
      throw media::Error(path + " is neither an H.264 / H.265 Annex-B stream (no start code where it begins) "
                "nor a file libavformat reads with such a stream in it");
    }
    codec_ = demuxer_->codec();
    frame_rate_ = demuxer_->frame_rate();
    width_ = static_cast<uint32_t>(demuxer_->width());
    height_ = static_cast<uint32_t>(demuxer_->height());
    return;
  }
  file.seekg(0);
  bytes_.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  codec_ = annexb::guess_codec(path, bytes_);
  if (!annexb::is_annexb(bytes_, codec_)) {
    throw media::Error(path + " holds no " + annexb::codec_name(codec_) + " picture");
  }
  units_ = annexb::split_access_units(bytes_, codec_);
  const annexb::Geometry geometry = annexb::find_geometry(bytes_.data(), bytes_.size(), codec_);
  width_ = geometry.width;
  height_ = geometry.height;
  frame_rate_ = annexb::find_frame_rate(bytes_.data(), bytes_.size(), codec_);
  for (const annexb::AccessUnit & unit : units_) {
    largest_unit_ = std::max(largest_unit_, unit.size);
  }
}

std::size_t FileSource::size_hint() const
{
  return demuxer_ ? demuxer_->size_hint() : units_.size();
}

std::string FileSource::describe() const
{
  std::ostringstream line;
  line << "input " << path_ << ": " << annexb::codec_name(codec_) << ", ";
  if (size_hint() > 0) {
    line << size_hint() << " access units, ";
  }
  if (!demuxer_) {
    line << bytes_.size() << " bytes, ";
  }
  line << width_ << "x" << height_;
  if (frame_rate_ > 0) {
    line << ", " << frame_rate_ << " frames/s";
  }
  return line.str();
}

bool FileSource::next_unit(stream::Unit & unit, int64_t & media_time_ns)
{
  if (!demuxer_) {
    if (units_.empty() || (next_ >= units_.size() && !loop_)) {
      return false;
    }
    const annexb::AccessUnit & found = units_[next_ % units_.size()];
    unit.data.assign(bytes_.begin() + found.offset, bytes_.begin() + found.offset + found.size);
    media_time_ns = frame_rate_ > 0 ? static_cast<int64_t>(next_ * 1e9 / frame_rate_) : -1;
    return true;
  }
  if (!demuxer_->next(unit_)) {
    if (!loop_ || next_ == 0) {  // a file that gave nothing would be opened again for ever
      return false;
    }
    demuxer_ = std::make_unique<media::Demuxer>(path_);
    first_decode_ns_ = media::kNoTime;
    pass_start_ns_ = last_media_ns_ + static_cast<int64_t>(1e9 / (frame_rate_ > 0 ? frame_rate_ : 25));
    if (!demuxer_->next(unit_)) {
      return false;
    }
  }
  unit.data.swap(unit_.data);
  // From the first decode time (a file's may start below 0).
  if (unit_.decode_time_ns != media::kNoTime && first_decode_ns_ == media::kNoTime) {
    first_decode_ns_ = unit_.decode_time_ns;
  }
  media_time_ns = unit_.decode_time_ns == media::kNoTime ? -1 :
    pass_start_ns_ + unit_.decode_time_ns - first_decode_ns_;
  last_media_ns_ = std::max(last_media_ns_, media_time_ns);
  return true;
}

bool FileSource::next(stream::Moment & moment)
{
  moment.units.resize(1);
  stream::Unit & unit = moment.units[0];
  if (!next_unit(unit, moment.media_time_ns)) {
    return false;
  }
  // A file's units are stamped on its own timeline (25 frames/s where it
  // states no rate): a container written from them keeps the file's timing.
  // A pacing source stamps them again in real time.
  moment.stamp_ns = moment.media_time_ns >= 0 ? moment.media_time_ns :
    static_cast<int64_t>(next_ * 1e9 / (frame_rate_ > 0 ? frame_rate_ : 25));
  unit.encoding = annexb::codec_name(codec_);
  unit.width = width_;
  unit.height = height_;
  unit.step = 0;
  unit.count = next_++;
  unit.present = true;
  moment.originals.clear();
  moment.end_of_stream = false;
  moment.serialized.reset();
  return true;
}

CombinedSource::CombinedSource(std::vector<std::unique_ptr<stream::Source>> sources)
: sources_(std::move(sources)), ended_(sources_.size(), false), last_(sources_.size())
{
}

bool CombinedSource::next(stream::Moment & moment)
{
  stream::Moment part;
  moment.units.resize(sources_.size());
  bool any = false;
  for (std::size_t k = 0; k < sources_.size(); ++k) {
    if (!ended_[k] && sources_[k]->next(part)) {
      if (!any) {
        moment.media_time_ns = part.media_time_ns;
        moment.stamp_ns = part.stamp_ns;
      }
      any = true;
      moment.units[k] = std::move(part.units.at(0));
      last_[k] = moment.units[k];
      last_[k].data.clear();
      continue;
    }
    ended_[k] = true;
    moment.units[k] = last_[k];
    moment.units[k].present = false;
  }
  for (stream::Unit & unit : moment.units) {
    unit.count = index_;
  }
  ++index_;
  moment.originals.clear();
  moment.end_of_stream = false;
  return any;
}

}  // namespace sources
