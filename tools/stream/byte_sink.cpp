#include "stream/byte_sink.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stream
{
namespace
{
std::string folder_of(const std::string & path)
{
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

OutputFile::OutputFile(std::string path, bool overwrite)
: path_(std::move(path))
{
  struct stat found = {};
  const bool exists = ::stat(path_.c_str(), &found) == 0;
  if (exists && S_ISDIR(found.st_mode)) {
    throw OutputError("cannot write " + path_ + ": it is a folder");
  }
  if (exists && !S_ISREG(found.st_mode)) {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);  // a device or a FIFO
    if (fd_ < 0) {
      fail("cannot write", errno);
    }
    return;
  }
  if (exists && !overwrite) {
    throw OutputError(path_ + " exists (--overwrite replaces it)");
  }
  regular_ = true;
  // Without O_TRUNC: the file is cut only once this program holds the lock.
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | (exists ? 0 : O_CREAT | O_EXCL), 0666);
  if (fd_ < 0 && errno == EEXIST) {
    throw OutputError(path_ + " exists (--overwrite replaces it)");
  }
  if (fd_ < 0 && errno == ENOENT) {
    throw OutputError("cannot write " + path_ + ": no folder " + folder_of(path_));
  }
  if (fd_ < 0) {
    fail("cannot write", errno);
  }
  created_ = !exists;
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd_);
    fd_ = -1;
    if (error == EWOULDBLOCK) {
      throw OutputError(path_ + " is being written by another program");
    }
    fail("cannot lock", error);
  }
  if (exists && ::ftruncate(fd_, 0) != 0) {
    fail("cannot overwrite", errno);
  }
}

OutputFile::~OutputFile()
{
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

void OutputFile::fail(const std::string & what, int error) const
{
  throw OutputError(what + " " + path_ + ": " + std::strerror(error));
}

void OutputFile::write(const uint8_t * data, std::size_t size)
{
  if (fd_ < 0) {
    throw OutputError(path_ + " is closed");
  }
  while (size > 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      fail("cannot write", written < 0 ? errno : ENOSPC);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
    position_ += static_cast<uint64_t>(written);
    size_ = std::max(size_, position_);
  }
}

void OutputFile::start_writeback()
{
  if (fd_ >= 0 && regular_ && size_ > written_back_) {
    // Only asks the kernel to begin; errors show at the sync in close().
    ::sync_file_range(fd_, static_cast<off_t>(written_back_), static_cast<off_t>(size_ - written_back_),
      SYNC_FILE_RANGE_WRITE);
    written_back_ = size_;
  }
}

void OutputFile::seek(uint64_t offset)
{
  if (!regular_ || ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
    fail("cannot seek in", regular_ ? errno : ESPIPE);
  }
  position_ = offset;
}

bool OutputFile::truncate(uint64_t size)
{
  if (!regular_ || ::ftruncate(fd_, static_cast<off_t>(size)) != 0 ||
    ::lseek(fd_, static_cast<off_t>(size), SEEK_SET) < 0)
  {
    return false;
  }
  position_ = size_ = size;
  return true;
}

void OutputFile::close()
{
  if (fd_ < 0) {
    return;
  }
  // Where the disk fills only on write-back, fdatasync is where it shows.
  const bool synced = !regular_ || ::fdatasync(fd_) == 0;
  const int sync_error = errno;
  const bool closed = ::close(fd_) == 0;
  const int close_error = errno;
  fd_ = -1;
  if (created_ && size_ == 0) {
    ::unlink(path_.c_str());
  }
  if (!synced) {
    fail("cannot write", sync_error);
  }
  if (!closed) {
    fail("cannot close", close_error);
  }
}

bool OutputFile::rename(const std::string & path)
{
  if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
    return false;
  }
  path_ = path;
  return true;
}

}  // namespace stream
