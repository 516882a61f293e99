#ifndef ORVANE_H26X_MSGS_TOOLS__BAG__MCAP_RECORDS_HPP_
#define ORVANE_H26X_MSGS_TOOLS__BAG__MCAP_RECORDS_HPP_

// MCAP's records as the format lays them out (described at mcap.dev):
// little-endian integers, strings and byte arrays with a uint32 length,
// records as <opcode><uint64 length><content>.

#include <cstdint>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace bag
{

enum Opcode : uint8_t
{
  kHeader = 0x01, kFooter = 0x02, kSchema = 0x03, kChannel = 0x04, kMessage = 0x05, kChunk = 0x06,
  kMessageIndex = 0x07, kChunkIndex = 0x08, kStatistics = 0x0B, kMetadata = 0x0C, kSummaryOffset = 0x0E,
  kDataEnd = 0x0F,
};

constexpr uint8_t kMagic[8] = {0x89, 'M', 'C', 'A', 'P', '0', '\r', '\n'};

// A file that is not what it says: one line for the user.
struct FormatError : std::runtime_error
{
  using std::runtime_error::runtime_error;
};

// Appends fields to a record's content.
class RecordBuilder
{
public:
  explicit RecordBuilder(std::vector<uint8_t> & out) : out_(out) {}
  template<class T>
  RecordBuilder & number(T value)
  {
    uint8_t bytes[sizeof(T)];
    put(bytes, value);
    out_.insert(out_.end(), bytes, bytes + sizeof(T));
    return *this;
  }
  // `value` little-endian at `at`.
  template<class T>
  static void put(uint8_t * at, T value)
  {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      at[i] = static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i));
    }
  }
  RecordBuilder & string(const std::string & text)
  {
    number(static_cast<uint32_t>(text.size()));
    out_.insert(out_.end(), text.begin(), text.end());
    return *this;
  }
  RecordBuilder & bytes(const uint8_t * data, std::size_t size)
  {
    out_.insert(out_.end(), data, data + size);
    return *this;
  }
  RecordBuilder & string_map(const std::map<std::string, std::string> & map)
  {
    const std::size_t at = reserve_length();
    for (const auto & [key, value] : map) {
      string(key).string(value);
    }
    return fill_length(at);
  }
  // A uint32 byte length written once what follows it is known.
  std::size_t reserve_length()
  {
    number(uint32_t{0});
    return out_.size();
  }
  RecordBuilder & fill_length(std::size_t after)
  {
    const uint32_t length = static_cast<uint32_t>(out_.size() - after);
    for (std::size_t i = 0; i < 4; ++i) {
      out_[after - 4 + i] = static_cast<uint8_t>(length >> (8 * i));
    }
    return *this;
  }

private:
  std::vector<uint8_t> & out_;
};

// Reads fields from a record's content; running past its end is a FormatError.
class RecordReader
{
public:
  RecordReader(const uint8_t * data, std::size_t size) : data_(data), size_(size) {}
  template<class T>
  T number()
  {
    need(sizeof(T));
    uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      value |= uint64_t{data_[at_ + i]} << (8 * i);
    }
    at_ += sizeof(T);
    return static_cast<T>(value);
  }
  std::string string()
  {
    const uint32_t length = number<uint32_t>();
    need(length);
    std::string text(reinterpret_cast<const char *>(data_ + at_), length);
    at_ += length;
    return text;
  }
  // A uint32-length-prefixed part, as a reader of its own.
  RecordReader part()
  {
    const uint32_t length = number<uint32_t>();
    need(length);
    RecordReader inner(data_ + at_, length);
    at_ += length;
    return inner;
  }
  std::map<std::string, std::string> string_map()
  {
    RecordReader entries = part();
    std::map<std::string, std::string> map;
    while (!entries.done()) {
      std::string key = entries.string();
      map[std::move(key)] = entries.string();
    }
    return map;
  }
  const uint8_t * here() const {return data_ + at_;}
  std::size_t left() const {return size_ - at_;}
  bool done() const {return at_ == size_;}
  void skip(std::size_t count)
  {
    need(count);
    at_ += count;
  }

private:
  void need(std::size_t count) const
  {
    if (count > size_ - at_) {
      throw FormatError("a record ends inside a field");
    }
  }
  const uint8_t * data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace bag

#endif  // ORVANE_H26X_MSGS_TOOLS__BAG__MCAP_RECORDS_HPP_
