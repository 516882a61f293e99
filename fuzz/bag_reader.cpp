// A bag reader on arbitrary bytes: an MCAP file, or with FUZZ_SQLITE a
// SQLite one, listed, read through and rebuilt. Damage is counted; nothing
// may crash, leak, or take memory the bytes do not hold.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "bag/bag_reader.hpp"
#include "bag/mcap_records.hpp"

namespace
{
std::string path;  // the bytes go here: the readers take a path
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
  path = "/tmp/fuzz_bag_" + std::to_string(::getpid()) + (FUZZ_SQLITE ? ".db3" : ".mcap");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, std::size_t size)
{
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) {
    std::terminate();
  }
  ::close(fd);
  try {
    bag::BagReader reader(path);
    reader.topics();
    bag::BagMessage message;
    while (reader.next(message)) {
    }
    bag::BagReader(path).rebuild();
  } catch (const bag::FormatError &) {
    // Refused as a whole, with one line for the user; anything else is a fault.
  }
  return 0;
}
