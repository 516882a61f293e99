#include "bag/mcap_writer.hpp"

#include <algorithm>

#include "bag/mcap_records.hpp"

namespace bag
{
namespace
{
// A record's opcode and length, in front of its content.
std::vector<uint8_t> record_prefix(uint8_t opcode, uint64_t length)
{
  std::vector<uint8_t> prefix;
  RecordBuilder(prefix).number(opcode).number(length);
  return prefix;
}
}  // namespace

McapWriter::McapWriter(stream::ByteSink & sink, const Options & options)
: sink_(sink), options_(options)
{
  sink_.write(kMagic, sizeof(kMagic));
  std::vector<uint8_t> header;
  RecordBuilder(header).string(options_.profile).string(options_.library);
  put_record(kHeader, header);
  committed_ = sink_.position();
}

void McapWriter::put_record(uint8_t opcode, const std::vector<uint8_t> & content)
{
  const std::vector<uint8_t> prefix = record_prefix(opcode, content.size());
  sink_.write(prefix.data(), prefix.size());
  sink_.write(content.data(), content.size());
}

void McapWriter::put_into_chunk(uint8_t opcode, const std::vector<uint8_t> & content)
{
  RecordBuilder(chunk_).number(opcode).number(static_cast<uint64_t>(content.size()));
  chunk_.insert(chunk_.end(), content.begin(), content.end());
}

uint16_t McapWriter::add_schema(const std::string & name, const std::string & encoding, const std::string & data)
{
  const uint16_t id = static_cast<uint16_t>(schemas_.size() + 1);  // 0 is "no schema"
  std::vector<uint8_t> & record = schemas_[id];
  RecordBuilder(record).number(id).string(name).string(encoding).string(data);
  return id;
}

uint16_t McapWriter::add_channel(
  uint16_t schema, const std::string & topic, const std::string & message_encoding,
  const std::map<std::string, std::string> & metadata)
{
  const uint16_t id = static_cast<uint16_t>(channels_.size());
  ChannelState & channel = channels_[id];
  channel.schema = schema;
  RecordBuilder(channel.record).number(id).number(schema).string(topic).string(message_encoding)
  .string_map(metadata);
  return id;
}

void McapWriter::write(
  uint16_t channel_id, uint64_t log_time, uint64_t publish_time, const uint8_t * data, std::size_t size)
{
  ChannelState & channel = channels_.at(channel_id);
  if (chunk_.empty()) {
    chunk_opened_ = std::chrono::steady_clock::now();
  }
  // A channel's schema and channel records come before its first message,
  // in the chunk that holds it.
  if (!channel.written) {
    if (channel.schema && !schemas_written_[channel.schema]) {
      put_into_chunk(kSchema, schemas_.at(channel.schema));
      schemas_written_[channel.schema] = true;
    }
    put_into_chunk(kChannel, channel.record);
    channel.written = true;
  }
  chunk_index_[channel_id].emplace_back(log_time, chunk_.size());
  // The record's prefix and fields at once, then the message (per message:
  // the sample's 70,000 small ones a second in the benchmark).
  uint8_t head[1 + 8 + 2 + 4 + 8 + 8];
  head[0] = kMessage;
  RecordBuilder::put(head + 1, uint64_t{2 + 4 + 8 + 8 + size});
  RecordBuilder::put(head + 9, channel_id);
  RecordBuilder::put(head + 11, channel.sequence++);
  RecordBuilder::put(head + 15, log_time);
  RecordBuilder::put(head + 23, publish_time);
  chunk_.insert(chunk_.end(), head, head + sizeof(head));
  chunk_.insert(chunk_.end(), data, data + size);
  chunk_start_time_ = chunk_has_messages_ ? std::min(chunk_start_time_, log_time) : log_time;
  chunk_end_time_ = chunk_has_messages_ ? std::max(chunk_end_time_, log_time) : log_time;
  chunk_has_messages_ = true;
  start_time_ = message_count_ ? std::min(start_time_, log_time) : log_time;
  end_time_ = message_count_ ? std::max(end_time_, log_time) : log_time;
  ++message_count_;
  ++channel.count;
  if (chunk_.size() >= options_.chunk_size) {
    close_chunk();
  } else {
    flush_if_old();
  }
}

void McapWriter::flush_if_old()
{
  if (!chunk_.empty() && std::chrono::steady_clock::now() - chunk_opened_ >= options_.chunk_age) {
    close_chunk();
  }
}

void McapWriter::close_chunk()
{
  if (chunk_.empty()) {
    return;
  }
  ChunkIndex index{};
  index.start_time = chunk_has_messages_ ? chunk_start_time_ : 0;
  index.end_time = chunk_has_messages_ ? chunk_end_time_ : 0;
  index.offset = sink_.position();
  index.uncompressed_size = chunk_.size();
  const uint32_t crc = crc32(chunk_.data(), chunk_.size());
  const bool compressed = options_.compression != Compression::NONE;
  if (compressed) {
    compress(options_.compression, chunk_.data(), chunk_.size(), compressed_);
  }
  const uint8_t * records = compressed ? compressed_.data() : chunk_.data();
  const std::size_t records_size = compressed ? compressed_.size() : chunk_.size();
  index.compressed_size = records_size;
  std::vector<uint8_t> fields;
  RecordBuilder(fields).number(index.start_time).number(index.end_time).number(index.uncompressed_size).number(crc)
  .string(compression_name(options_.compression)).number(static_cast<uint64_t>(records_size));
  const std::vector<uint8_t> prefix = record_prefix(kChunk, fields.size() + records_size);
  sink_.write(prefix.data(), prefix.size());
  sink_.write(fields.data(), fields.size());
  sink_.write(records, records_size);  // the one large write of the chunk
  index.length = sink_.position() - index.offset;
  const uint64_t indexes_start = sink_.position();
  for (const auto & [channel, entries] : chunk_index_) {
    index.index_offsets[channel] = sink_.position();
    std::vector<uint8_t> record;
    RecordBuilder builder(record);
    builder.number(channel);
    const std::size_t at = builder.reserve_length();
    for (const auto & [time, offset] : entries) {
      builder.number(time).number(offset);
    }
    builder.fill_length(at);
    put_record(kMessageIndex, record);
  }
  index.index_length = sink_.position() - indexes_start;
  chunk_indexes_.push_back(std::move(index));
  committed_ = sink_.position();
  sink_.start_writeback();
  chunk_.clear();
  chunk_index_.clear();
  chunk_has_messages_ = false;
}

void McapWriter::close()
{
  if (closed_) {
    return;
  }
  closed_ = true;
  close_chunk();
  std::vector<uint8_t> data_end;
  RecordBuilder(data_end).number(uint32_t{0});  // the chunks carry their own CRCs
  put_record(kDataEnd, data_end);
  write_summary();
  committed_ = sink_.position();
}

// Schemas, channels, chunk indexes and statistics, each group found through
// a summary offset record; the footer's CRC covers all of it.
void McapWriter::write_summary()
{
  std::vector<uint8_t> summary;
  std::vector<std::tuple<uint8_t, uint64_t, uint64_t>> groups;
  const uint64_t summary_start = sink_.position();
  const auto group = [&](uint8_t opcode, const std::vector<std::vector<uint8_t>> & records) {
      if (records.empty()) {
        return;
      }
      const uint64_t start = summary_start + summary.size();
      for (const auto & content : records) {
        RecordBuilder(summary).number(opcode).number(static_cast<uint64_t>(content.size()));
        summary.insert(summary.end(), content.begin(), content.end());
      }
      groups.emplace_back(opcode, start, summary_start + summary.size() - start);
    };
  std::vector<std::vector<uint8_t>> records;
  for (const auto & [id, record] : schemas_) {
    records.push_back(record);
  }
  group(kSchema, records);
  records.clear();
  for (const auto & [id, channel] : channels_) {
    records.push_back(channel.record);
  }
  group(kChannel, records);
  records.clear();
  for (const ChunkIndex & index : chunk_indexes_) {
    std::vector<uint8_t> record;
    RecordBuilder builder(record);
    builder.number(index.start_time).number(index.end_time).number(index.offset).number(index.length);
    const std::size_t at = builder.reserve_length();
    for (const auto & [channel, offset] : index.index_offsets) {
      builder.number(channel).number(offset);
    }
    builder.fill_length(at).number(index.index_length).string(compression_name(options_.compression))
    .number(index.compressed_size).number(index.uncompressed_size);
    records.push_back(std::move(record));
  }
  group(kChunkIndex, records);
  std::vector<uint8_t> statistics;
  RecordBuilder builder(statistics);
  builder.number(message_count_).number(static_cast<uint16_t>(schemas_.size()))
  .number(static_cast<uint32_t>(channels_.size())).number(uint32_t{0}).number(uint32_t{0})
  .number(static_cast<uint32_t>(chunk_indexes_.size())).number(start_time_).number(end_time_);
  const std::size_t at = builder.reserve_length();
  for (const auto & [id, channel] : channels_) {
    builder.number(id).number(channel.count);
  }
  builder.fill_length(at);
  group(kStatistics, {statistics});
  const uint64_t summary_offset_start = summary_start + summary.size();
  for (const auto & [opcode, start, length] : groups) {
    std::vector<uint8_t> record;
    RecordBuilder(record).number(opcode).number(start).number(length);
    RecordBuilder(summary).number(uint8_t{kSummaryOffset}).number(static_cast<uint64_t>(record.size()));
    summary.insert(summary.end(), record.begin(), record.end());
  }
  RecordBuilder(summary).number(uint8_t{kFooter}).number(uint64_t{8 + 8 + 4}).number(summary_start)
  .number(summary_offset_start);
  RecordBuilder(summary).number(crc32(summary.data(), summary.size()));
  summary.insert(summary.end(), std::begin(kMagic), std::end(kMagic));
  sink_.write(summary.data(), summary.size());
}

}  // namespace bag
