#ifndef ORVANE_H26X_MSGS__TEST__CDR_STREAMS_HPP_
#define ORVANE_H26X_MSGS__TEST__CDR_STREAMS_HPP_

// Writing and reading one message at a chosen distance from the stream's
// alignment origin, in a chosen byte order.

#include <cstdint>
#include <string>
#include <vector>

#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"

namespace test_support
{
using eprosima::fastcdr::Cdr;
using Bytes = std::vector<uint8_t>;

constexpr Cdr::Endianness kLittle = Cdr::LITTLE_ENDIANNESS;
constexpr Cdr::Endianness kBig = Cdr::BIG_ENDIANNESS;

// Writes `start` filler bytes, then calls write(cdr); returns what follows
// the filler. `written_ok` receives write's result. The buffer holds `fill`
// beforehand, as a reused one holds an earlier sample: nothing of it may
// show in what is written.
constexpr char kDefaultFill = '\x5a';
template<class Write>
Bytes write_message(
  Write && write, Cdr::Endianness order, std::size_t start, std::size_t capacity, bool * written_ok = nullptr,
  char fill = kDefaultFill)
{
  std::vector<char> buffer(start + capacity + 8, fill);
  eprosima::fastcdr::FastBuffer fast_buffer(buffer.data(), buffer.size());
  Cdr cdr(fast_buffer, order);
  for (std::size_t i = 0; i < start; ++i) {
    cdr.serialize('\0');
  }
  const bool ok = write(cdr);
  if (written_ok) {
    *written_ok = ok;
  }
  return Bytes(buffer.begin() + static_cast<long>(start), buffer.begin() + static_cast<long>(cdr.getSerializedDataLength()));
}

// A reading stream over `start` filler bytes followed by `bytes`, positioned
// after the filler.
class Reader
{
public:
  Reader(const Bytes & bytes, Cdr::Endianness order, std::size_t start = 0)
  : buffer_(with_filler(bytes, start)),
    fast_buffer_(buffer_.data(), buffer_.size()),
    cdr_(fast_buffer_, order),
    start_(start)
  {
    for (std::size_t i = 0; i < start; ++i) {
      char filler;
      cdr_.deserialize(filler);
    }
  }
  Cdr & cdr() {return cdr_;}
  // Bytes consumed since the filler.
  std::size_t consumed() const {return cdr_.getSerializedDataLength() - start_;}

private:
  static std::vector<char> with_filler(const Bytes & bytes, std::size_t start)
  {
    std::vector<char> buffer(start, '\0');
    buffer.insert(buffer.end(), bytes.begin(), bytes.end());
    return buffer;
  }
  std::vector<char> buffer_;
  eprosima::fastcdr::FastBuffer fast_buffer_;
  Cdr cdr_;
  std::size_t start_;
};

inline std::string hex(const Bytes & bytes)
{
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 15];
    text += ' ';
  }
  return text;
}

}  // namespace test_support

#endif  // ORVANE_H26X_MSGS__TEST__CDR_STREAMS_HPP_
