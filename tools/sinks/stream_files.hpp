#ifndef ORVANE_H26X_MSGS_TOOLS__SINKS__STREAM_FILES_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SINKS__STREAM_FILES_HPP_

// The recorder's files: each stream (image index) of the moments in a file
// of its own, as it came (Annex-B, or raw frames back to back) or in an MP4
// or Matroska container, and the originals of each index as raw frames.
//
// Every file is opened before anything is awaited (stream 0's at once); a
// file that cannot be written is an error there and then. A video stream is
// written from a key frame on, and after frames were lost it resumes at the
// next key frame, so that nothing undecodable is written. A write that fails
// ends that file on its last whole frame.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "annexb.hpp"
#include "media/container_writer.hpp"
#include "stream/byte_sink.hpp"
#include "stream/pipeline.hpp"

namespace sinks
{

// One stream into one file.
class StreamFile
{
public:
  StreamFile(std::string path, bool overwrite);
  ~StreamFile();

  // `after_gap`: frames of this stream were lost just before this one.
  void write(const stream::Unit & unit, int64_t stamp_ns, bool after_gap);
  void finish();
  // "recorded PATH: N frames, B bytes", or what failed; false when the file
  // failed or holds nothing.
  bool report() const;
  bool failed() const {return !error_.empty();}
  bool rename(const std::string & path) {return file_.rename(path);}
  uint64_t bytes() const {return file_.size();}
  const std::string & path() const {return file_.name();}
  uint64_t frames() const {return frames_;}
  uint64_t skipped() const;

private:
  void fail(const std::string & error);
  stream::OutputFile file_;
  std::optional<media::Container> container_;
  std::unique_ptr<media::ContainerWriter> writer_;
  bool waiting_for_key_ = true;
  uint64_t frames_ = 0;
  uint64_t skipped_ = 0;  // units passed over on the way to a key frame
  std::string error_;
};

// Long recordings in pieces, each playable on its own: a new piece at the
// first key frame after the current one holds `bytes` or spans `seconds`
// (0: no limit). Pieces are FILE_000.mp4, FILE_001.mp4, ...
struct StreamSplit
{
  uint64_t bytes = 0;
  double seconds = 0;
  bool on() const {return bytes > 0 || seconds > 0;}
};

class StreamFiles : public stream::Sink
{
public:
  using Split = StreamSplit;
  // `output`: FILE, numbered FILE.<k> (FILE.<k>.mp4 for a container) when
  // `numbered` or from the second stream on (FILE then becomes FILE.0).
  StreamFiles(std::string output, bool numbered, bool overwrite, Split split = {});
  ~StreamFiles() override;

  void write(const stream::Moment & moment) override;
  void finish() override;
  bool report() const override;
  bool done() const override;  // every file failed: nothing more can be written

  uint64_t lost() const;  // frames missing in the counts, and after the last as the marker says
  uint64_t restarts() const;  // times a stream's counts started again (its publisher did)
  uint64_t skipped() const;

private:
  struct Track
  {
    std::unique_ptr<StreamFile> file;
    std::vector<std::unique_ptr<StreamFile>> pieces;  // finished, before `file`
    // The stream's latest parameter sets, for a piece whose first key frame
    // comes without them (a camera that sends them once).
    std::optional<annexb::ParameterSetKeeper> sets;
    annexb::Codec codec = annexb::Codec::H264;
    int64_t piece_start_ns = 0;
    uint64_t next_count = 0;
    bool started = false;
    uint64_t lost = 0;
    uint64_t restarts = 0;
  };
  std::string path_of(std::size_t k, bool numbered, std::size_t piece = 0) const;
  void next_piece(Track & track, std::size_t k);
  void write_to_piece(Track & track, const stream::Unit & unit, int64_t stamp_ns, bool after_gap);
  bool open_tracks(std::size_t streams);
  void write_originals(const std::vector<stream::Unit> & originals);

  const std::string output_;
  const bool numbered_;
  const bool overwrite_;
  const Split split_;
  std::vector<Track> tracks_;
  std::vector<std::unique_ptr<stream::OutputFile>> originals_;
  std::vector<std::string> problems_;  // files that could not be made, originals that failed
};

}  // namespace sinks

#endif  // ORVANE_H26X_MSGS_TOOLS__SINKS__STREAM_FILES_HPP_
