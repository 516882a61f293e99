#ifndef ORVANE_H26X_MSGS_TOOLS__BAG__MCAP_WRITER_HPP_
#define ORVANE_H26X_MSGS_TOOLS__BAG__MCAP_WRITER_HPP_

// Writes an MCAP file through a byte sink: messages in chunks (closed at a
// size or an age, compressed, with a CRC of their records), a message index
// per channel after each chunk, and at the end a summary (schemas, channels,
// chunk indexes, statistics) with summary offsets, so that readers can seek
// without scanning. Every closed chunk is whole in the file, so a recording
// that is killed loses at most the open chunk.

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "bag/chunk_codec.hpp"
#include "stream/byte_sink.hpp"

namespace bag
{

class McapWriter
{
public:
  struct Options
  {
    Compression compression = Compression::ZSTD;
    std::size_t chunk_size = std::size_t{4} << 20;
    std::chrono::steady_clock::duration chunk_age = std::chrono::seconds(1);
    std::string profile = "ros2";
    std::string library = "orvane_h26x_msgs";
  };
  // Writes the magic and the header at once.
  McapWriter(stream::ByteSink & sink, const Options & options);

  uint16_t add_schema(const std::string & name, const std::string & encoding, const std::string & data);
  uint16_t add_channel(
    uint16_t schema, const std::string & topic, const std::string & message_encoding,
    const std::map<std::string, std::string> & metadata);

  // A stream::OutputError when the sink fails: the file then ends on its
  // last whole chunk (see committed()).
  void write(uint16_t channel, uint64_t log_time, uint64_t publish_time, const uint8_t * data, std::size_t size);
  // Closes the open chunk when it is older than the chunk age.
  void flush_if_old();
  // The last chunk, the data end, the summary and the footer.
  void close();

  uint64_t messages() const {return message_count_;}
  uint64_t bytes() const {return sink_.size();}
  // Bytes that hold whole chunks; a failed write leaves the file cut back to this.
  uint64_t committed() const {return committed_;}

private:
  struct ChannelState
  {
    std::vector<uint8_t> record;  // the channel record's content, written once per file
    uint16_t schema = 0;
    bool written = false;
    uint32_t sequence = 0;
    uint64_t count = 0;
  };
  struct ChunkIndex
  {
    uint64_t start_time, end_time, offset, length;
    std::map<uint16_t, uint64_t> index_offsets;
    uint64_t index_length, compressed_size, uncompressed_size;
  };
  void put_record(uint8_t opcode, const std::vector<uint8_t> & content);
  void put_into_chunk(uint8_t opcode, const std::vector<uint8_t> & content);
  void close_chunk();
  void write_summary();

  stream::ByteSink & sink_;
  Options options_;
  std::map<uint16_t, std::vector<uint8_t>> schemas_;  // id to record content
  std::map<uint16_t, bool> schemas_written_;
  std::map<uint16_t, ChannelState> channels_;
  std::vector<uint8_t> chunk_;  // the open chunk's records, uncompressed
  std::map<uint16_t, std::vector<std::pair<uint64_t, uint64_t>>> chunk_index_;  // per channel: log time, offset
  uint64_t chunk_start_time_ = 0, chunk_end_time_ = 0;
  bool chunk_has_messages_ = false;
  std::chrono::steady_clock::time_point chunk_opened_;
  std::vector<ChunkIndex> chunk_indexes_;
  Buffer compressed_;
  uint64_t message_count_ = 0;
  uint64_t start_time_ = 0, end_time_ = 0;
  uint64_t committed_ = 0;
  bool closed_ = false;
};

}  // namespace bag

#endif  // ORVANE_H26X_MSGS_TOOLS__BAG__MCAP_WRITER_HPP_
