#ifndef ORVANE_H26X_MSGS_TOOLS__STREAM__BYTE_SINK_HPP_
#define ORVANE_H26X_MSGS_TOOLS__STREAM__BYTE_SINK_HPP_

// Where a writer's bytes go: a file, a pipe, a device. A writer (Annex-B,
// MP4, Matroska, a bag) writes through this, so the same writer can feed any
// of them.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace stream
{

// An output that cannot be opened or written: one line for the user.
struct OutputError : std::runtime_error
{
  using std::runtime_error::runtime_error;
};

class ByteSink
{
public:
  virtual ~ByteSink() = default;
  // All of it or an OutputError; the sink is then unusable.
  virtual void write(const uint8_t * data, std::size_t size) = 0;
  // Where the next byte goes (also after seeking).
  virtual uint64_t position() const = 0;
  virtual bool seekable() const = 0;
  // Seeks to `offset` from the start; only when seekable().
  virtual void seek(uint64_t offset) = 0;
  // Cuts the output back to `size` bytes (after a failed write, to the last
  // whole frame); false when it cannot be cut (a pipe).
  virtual bool truncate(uint64_t size) = 0;
  // Bytes the output holds.
  virtual uint64_t size() const = 0;
  virtual const std::string & name() const = 0;
  // Starts writing what the output holds to the disk, without waiting: a
  // long recording then reaches the disk as it goes, and the sync at the
  // end waits for little.
  virtual void start_writeback() {}
};

// A file opened for writing before anything is awaited, so that a path that
// cannot be written fails at once:
// - a new file is created exclusively; an existing one is an error unless
//   `overwrite`;
// - it is locked (flock) while open, and a file another program holds is an
//   error: two programs never write one file;
// - a path that exists and is not a regular file (/dev/null, a FIFO) is
//   written as it is.
class OutputFile : public ByteSink
{
public:
  OutputFile(std::string path, bool overwrite);
  ~OutputFile() override;
  OutputFile(const OutputFile &) = delete;
  OutputFile & operator=(const OutputFile &) = delete;

  void write(const uint8_t * data, std::size_t size) override;
  uint64_t position() const override {return position_;}
  bool seekable() const override {return regular_;}
  void seek(uint64_t offset) override;
  bool truncate(uint64_t size) override;
  uint64_t size() const override {return size_;}
  const std::string & name() const override {return path_;}
  void start_writeback() override;

  // Flushes to the disk and closes; an OutputError when the data did not
  // reach it. Removes a file this created that holds nothing.
  void close();
  // Renames the open file; false (and no rename) when `path` exists.
  bool rename(const std::string & path);

private:
  [[noreturn]] void fail(const std::string & what, int error) const;
  std::string path_;
  int fd_ = -1;
  bool regular_ = false;
  bool created_ = false;
  uint64_t position_ = 0;
  uint64_t size_ = 0;
  uint64_t written_back_ = 0;  // the bytes before this are on their way to the disk
};

}  // namespace stream

#endif  // ORVANE_H26X_MSGS_TOOLS__STREAM__BYTE_SINK_HPP_
