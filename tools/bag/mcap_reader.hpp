#ifndef ORVANE_H26X_MSGS_TOOLS__BAG__MCAP_READER_HPP_
#define ORVANE_H26X_MSGS_TOOLS__BAG__MCAP_READER_HPP_

// Reads an MCAP file's messages in file order, chunk by chunk, from any
// writer: chunked or not, compressed (zstd, LZ4) or not, with or without a
// summary. Hostile files are safe: every length is checked against the
// file, a chunk may not unpack to more than kLargestChunk bytes, a chunk
// whose CRC is wrong or that does not decode is skipped and counted, and a
// file cut short (a recording that was killed) is read up to its last whole
// chunk. The summary, when there is one, lists channels and counts without
// reading the messages.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bag/chunk_codec.hpp"

namespace bag
{

// The largest chunk (or unchunked record) read, unpacked: a bound on the
// memory a file can make the reader take.
constexpr uint64_t kLargestChunk = uint64_t{256} << 20;

struct Schema
{
  uint16_t id = 0;
  std::string name, encoding, data;
};

struct Channel
{
  uint16_t id = 0;
  uint16_t schema = 0;
  std::string topic, message_encoding;
  std::map<std::string, std::string> metadata;
};

struct Message
{
  uint16_t channel = 0;
  uint32_t sequence = 0;
  uint64_t log_time = 0, publish_time = 0;
  std::vector<uint8_t> data;
};

class McapReader
{
public:
  // A FormatError when the file is not MCAP.
  explicit McapReader(const std::string & path);
  ~McapReader();
  McapReader(const McapReader &) = delete;
  McapReader & operator=(const McapReader &) = delete;

  // The next message in file order; false at the end (or where the file is cut).
  bool next(Message & message);
  // Chunks that the summary says hold none of these topics are passed over
  // unread; other messages may still come.
  void only(const std::set<std::string> & topics);

  const std::map<uint16_t, Schema> & schemas() const {return schemas_;}
  const std::map<uint16_t, Channel> & channels() const {return channels_;}

  // From the summary, without reading the messages: false when the file has
  // none (a recording that was killed) or it is damaged; then the channels
  // and counts come from reading the file through.
  struct Summary
  {
    std::map<uint16_t, uint64_t> counts;  // per channel
    uint64_t messages = 0, start_time = 0, end_time = 0;
  };
  bool summary(Summary & summary) const;

  // What was wrong and passed over: bad CRCs, damaged chunks, a cut end.
  const std::vector<std::string> & problems() const {return problems_;}
  // Problems that lost messages (a file cut short at its end is not one:
  // that is how a recording that was killed ends).
  uint64_t damaged() const {return damaged_;}
  const std::string & path() const {return path_;}

private:
  bool read_at(uint64_t offset, void * into, std::size_t size) const;
  bool read_summary(Summary & summary);
  bool resume_after(uint64_t from);
  bool skip_unwanted_chunk();
  bool load_next_record(uint8_t & opcode, Buffer & content);
  bool open_chunk(const Buffer & content);
  bool take_record(uint8_t opcode, const uint8_t * data, std::size_t size, Message * message);
  void problem(const std::string & what, bool damage = true);

  std::string path_;
  int fd_ = -1;
  uint64_t file_size_ = 0;
  uint64_t offset_ = 8;  // of the next record in the data section
  uint64_t record_at_ = 8;  // of the record last loaded
  Summary summary_;
  bool has_summary_ = false;
  // The chunks the summary lists (starts, and ends), in file order: reading
  // goes on at the next one after a damaged chunk or a length that lies.
  std::vector<uint64_t> indexed_chunks_, chunk_ends_;
  std::vector<std::vector<uint16_t>> chunk_channels_;  // each listed chunk's
  std::set<uint16_t> wanted_;
  bool filtering_ = false;
  bool ended_ = false;
  std::map<uint16_t, Schema> schemas_;
  std::map<uint16_t, Channel> channels_;
  Buffer record_;
  Buffer chunk_;  // the open chunk's records, unpacked
  std::size_t chunk_at_ = 0;
  std::vector<std::string> problems_;
  uint64_t damaged_ = 0;
};

}  // namespace bag

#endif  // ORVANE_H26X_MSGS_TOOLS__BAG__MCAP_READER_HPP_
