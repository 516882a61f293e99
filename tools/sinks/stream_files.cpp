#include "sinks/stream_files.hpp"

#include <algorithm>

#include <cstdio>

namespace sinks
{
namespace
{
const char * container_name(media::Container container)
{
  return container == media::Container::MP4 ? "MP4" : "Matroska";
}
}  // namespace

StreamFile::StreamFile(std::string path, bool overwrite)
: file_(std::move(path), overwrite), container_(media::container_for(file_.name()))
{
}

StreamFile::~StreamFile()
{
  try {
    finish();
  } catch (const std::exception &) {
  }
}

void StreamFile::fail(const std::string & error)
{
  error_ = error;
  stream::note(error);
}

uint64_t StreamFile::skipped() const
{
  return skipped_ + (writer_ ? writer_->skipped() : 0);
}

void StreamFile::write(const stream::Unit & unit, int64_t stamp_ns, bool after_gap)
{
  if (failed()) {
    return;
  }
  const std::optional<annexb::Codec> codec = stream::video_codec(unit.encoding);
  if (container_ && !codec) {
    fail(path() + ": " + unit.encoding + " frames cannot go into " + container_name(*container_) +
      " (only H.264 and H.265); nothing written");
    return;
  }
  if (after_gap && writer_) {
    writer_->end_group();
  }
  waiting_for_key_ = waiting_for_key_ || after_gap;
  // A decoder can start at a key frame; the file's first needs its parameter sets too.
  if (waiting_for_key_ && (!stream::is_key(unit) ||
    (codec && frames_ == 0 && annexb::parameter_sets(unit.data.data(), unit.data.size(), *codec).empty())))
  {
    ++skipped_;
    return;
  }
  waiting_for_key_ = false;
  if (container_) {
    try {
      if (!writer_) {
        writer_ = std::make_unique<media::ContainerWriter>(file_, *container_, *codec);
      }
      writer_->write(unit.data.data(), unit.data.size(), stamp_ns);
      frames_ = writer_->units();
    } catch (const media::Error & error) {
      file_.truncate(writer_ ? writer_->committed() : 0);
      frames_ = writer_ ? writer_->units() : 0;
      fail(error.what());
    }
    return;
  }
  const uint64_t before = file_.size();
  try {
    file_.write(unit.data.data(), unit.data.size());
    ++frames_;
  } catch (const stream::OutputError & error) {
    file_.truncate(before);  // the file ends on its last whole frame
    fail(error.what());
  }
}

void StreamFile::finish()
{
  try {
    if (writer_ && !failed()) {
      writer_->close();
      frames_ = writer_->units();
    }
  } catch (const media::Error & error) {
    file_.truncate(writer_->committed());
    frames_ = writer_->units();
    fail(error.what());
  }
  writer_.reset();
  try {
    file_.close();
  } catch (const stream::OutputError & error) {
    if (!failed()) {
      fail(error.what());
    }
  }
}

bool StreamFile::report() const
{
  const std::string holds = std::to_string(frames_) + " frames, " + std::to_string(file_.size()) + " bytes";
  if (failed()) {
    stream::note(path() + " holds " + holds + " (whole frames only): it failed");
    return false;
  }
  std::fprintf(stderr, "recorded %s: %s\n", path().c_str(), holds.c_str());
  if (skipped() > 0) {
    stream::note(path() + ": " + std::to_string(skipped()) + " units left out, waiting for a key frame");
  }
  if (frames_ == 0) {
    stream::note(path() + ": nothing written");
  }
  return frames_ > 0;
}

StreamFiles::StreamFiles(std::string output, bool numbered, bool overwrite, Split split)
: output_(std::move(output)), numbered_(numbered), overwrite_(overwrite), split_(split)
{
  // Stream 0's file now: a path that cannot be written fails before anything is awaited.
  tracks_.emplace_back();
  tracks_[0].file = std::make_unique<StreamFile>(path_of(0, numbered_), overwrite_);
}

StreamFiles::~StreamFiles() = default;

std::string StreamFiles::path_of(std::size_t k, bool numbered, std::size_t piece) const
{
  std::string path = output_;
  const std::size_t dot = output_.rfind('.');
  const bool container = media::container_for(output_).has_value();
  if (numbered) {
    path = container ? output_.substr(0, dot) + "." + std::to_string(k) + output_.substr(dot) :
      output_ + "." + std::to_string(k);
  }
  if (split_.on()) {
    // The piece's number before the extension, or at the end of a name without one.
    char number[16];
    std::snprintf(number, sizeof(number), "_%03zu", piece);
    const std::size_t slash = path.rfind('/');
    const std::size_t extension = path.rfind('.');
    const bool has_extension = extension != std::string::npos && (slash == std::string::npos || extension > slash) &&
      extension > (slash == std::string::npos ? 0 : slash + 1);
    path.insert(has_extension ? extension : path.size(), number);
  }
  return path;
}

void StreamFiles::next_piece(Track & track, std::size_t k)
{
  track.file->finish();
  track.pieces.push_back(std::move(track.file));
  const bool numbered = numbered_ || tracks_.size() > 1;
  try {
    track.file = std::make_unique<StreamFile>(path_of(k, numbered, track.pieces.size()), overwrite_);
  } catch (const stream::OutputError & error) {
    problems_.push_back(error.what());
    stream::note(error.what());
  }
}

bool StreamFiles::open_tracks(std::size_t streams)
{
  while (tracks_.size() < streams) {
    if (!numbered_ && tracks_.size() == 1 && tracks_[0].file) {
      // One file per stream from now on: FILE becomes FILE.0.
      const std::string renamed = path_of(0, true);
      if (!tracks_[0].file->rename(renamed)) {
        problems_.push_back("cannot rename " + output_ + " to " + renamed + " (it exists)");
      }
    }
    tracks_.emplace_back();
    const std::string path = path_of(tracks_.size() - 1, true);
    try {
      tracks_.back().file = std::make_unique<StreamFile>(path, overwrite_);
    } catch (const stream::OutputError & error) {
      problems_.push_back(error.what());
      stream::note(error.what());
    }
  }
  return true;
}

void StreamFiles::write(const stream::Moment & moment)
{
  if (moment.end_of_stream) {
    // Frames the marker says were sent after the last that arrived.
    for (std::size_t k = 0; k < moment.units.size() && k < tracks_.size(); ++k) {
      Track & track = tracks_[k];
      track.lost += track.started && moment.units[k].count > track.next_count ?
        moment.units[k].count - track.next_count : 0;
    }
    return;
  }
  open_tracks(moment.units.size());
  for (std::size_t k = 0; k < moment.units.size(); ++k) {
    const stream::Unit & unit = moment.units[k];
    Track & track = tracks_[k];
    if (!unit.present) {
      continue;
    }
    const bool gap = track.started && unit.count > track.next_count;
    // Counts from the start again: a publisher started again (after a crash)
    // on the topic. The same file goes on, from the new stream's key frame.
    // (Messages that carry no count repeat one: that is no restart.)
    const bool restarted = track.started && unit.count + 1 < track.next_count;
    track.lost += gap ? unit.count - track.next_count : 0;
    track.restarts += restarted;
    track.next_count = unit.count + 1;
    track.started = true;
    if (track.file && !unit.data.empty()) {  // an empty image is no frame (a stream that has ended)
      if (split_.on() && track.file->frames() > 0 && !track.file->failed() && stream::is_key(unit) &&
        ((split_.bytes > 0 && track.file->bytes() >= split_.bytes) ||
        (split_.seconds > 0 && (moment.stamp_ns - track.piece_start_ns) * 1e-9 >= split_.seconds)))
      {
        next_piece(track, k);  // at a key frame: the new piece starts where a decoder can
      }
      if (track.file && track.file->frames() == 0) {
        track.piece_start_ns = moment.stamp_ns;
      }
      if (track.file) {
        write_to_piece(track, unit, moment.stamp_ns, gap || restarted);
      }
    }
  }
  write_originals(moment.originals);
}

void StreamFiles::write_to_piece(Track & track, const stream::Unit & unit, int64_t stamp_ns, bool after_gap)
{
  const std::optional<annexb::Codec> codec = stream::video_codec(unit.encoding);
  if (!codec || !stream::is_key(unit)) {
    track.file->write(unit, stamp_ns, after_gap);
    return;
  }
  if (!track.sets || track.codec != *codec) {
    track.sets.emplace(*codec);
    track.codec = *codec;
  }
  if (track.file->frames() > 0) {
    track.sets->remember(unit.data.data(), unit.data.size());
    track.file->write(unit, stamp_ns, after_gap);
    return;
  }
  // A file's first key frame carries the sets it starts from.
  stream::Unit completed = unit;
  track.sets->complete(completed.data);
  track.file->write(completed, stamp_ns, after_gap);
}

// The original images of index k as raw frames back to back in
// FILE.original.<k> (their size and encoding said once).
void StreamFiles::write_originals(const std::vector<stream::Unit> & originals)
{
  while (originals_.size() < originals.size()) {
    const std::string path = output_ + ".original." + std::to_string(originals_.size());
    try {
      originals_.push_back(std::make_unique<stream::OutputFile>(path, overwrite_));
      const stream::Unit & image = originals[originals_.size() - 1];
      stream::note("original images " + path + ": " + image.encoding + " " + std::to_string(image.width) + "x" +
        std::to_string(image.height));
    } catch (const stream::OutputError & error) {
      problems_.push_back(error.what());
      stream::note(error.what());
      originals_.push_back(nullptr);
    }
  }
  for (std::size_t k = 0; k < originals.size(); ++k) {
    if (!originals_[k] || !originals[k].present) {
      continue;
    }
    try {
      originals_[k]->write(originals[k].data.data(), originals[k].data.size());
    } catch (const stream::OutputError & error) {
      problems_.push_back(error.what());
      stream::note(error.what());
      originals_[k].reset();
    }
  }
}

void StreamFiles::finish()
{
  for (Track & track : tracks_) {
    if (track.file) {
      track.file->finish();
    }
  }
  for (auto & original : originals_) {
    try {
      if (original) {
        original->close();
      }
    } catch (const stream::OutputError & error) {
      problems_.push_back(error.what());
      stream::note(error.what());
    }
  }
}

bool StreamFiles::report() const
{
  bool good = problems_.empty();
  for (const Track & track : tracks_) {
    for (const auto & piece : track.pieces) {
      good = piece->report() && good;
    }
    // A last piece that was opened but got nothing is no failure.
    if (track.file && (track.pieces.empty() || track.file->frames() > 0 || track.file->failed())) {
      good = track.file->report() && good;
    }
    good = good && (track.file || !track.pieces.empty());
  }
  return good;
}

bool StreamFiles::done() const
{
  for (const Track & track : tracks_) {
    if (track.file && !track.file->failed()) {
      return false;
    }
  }
  return true;
}

uint64_t StreamFiles::restarts() const
{
  uint64_t restarts = 0;
  for (const Track & track : tracks_) {
    restarts = std::max(restarts, track.restarts);
  }
  return restarts;
}

uint64_t StreamFiles::lost() const
{
  uint64_t lost = 0;
  for (const Track & track : tracks_) {
    lost += track.lost;
  }
  return lost;
}

uint64_t StreamFiles::skipped() const
{
  uint64_t skipped = 0;
  for (const Track & track : tracks_) {
    skipped += track.file ? track.file->skipped() : 0;
    for (const auto & piece : track.pieces) {
      skipped += piece->skipped();
    }
  }
  return skipped;
}

}  // namespace sinks
