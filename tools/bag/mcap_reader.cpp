#include "bag/mcap_reader.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bag/mcap_records.hpp"

namespace bag
{

McapReader::McapReader(const std::string & path)
: path_(path)
{
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat found = {};
  if (fd_ < 0 || ::fstat(fd_, &found) != 0) {
    throw FormatError("cannot read " + path + ": " + std::strerror(errno));
  }
  file_size_ = static_cast<uint64_t>(found.st_size);
  uint8_t magic[8] = {};
  if (!read_at(0, magic, sizeof(magic)) || std::memcmp(magic, kMagic, sizeof(magic)) != 0) {
    ::close(fd_);
    fd_ = -1;
    throw FormatError(path + " is not an MCAP file");
  }
  has_summary_ = read_summary(summary_);
}

McapReader::~McapReader()
{
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

bool McapReader::read_at(uint64_t offset, void * into, std::size_t size) const
{
  if (offset > file_size_ || size > file_size_ - offset) {
    return false;
  }
  auto * bytes = static_cast<uint8_t *>(into);
  while (size > 0) {
    const ssize_t got = ::pread(fd_, bytes, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return false;
    }
    bytes += got;
    offset += static_cast<uint64_t>(got);
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

void McapReader::problem(const std::string & what, bool damage)
{
  damaged_ += damage;
  if (problems_.size() < 100) {
    problems_.push_back(path_ + ": " + what);
  }
}

// The record at offset_ into `content`; false at the end of the data section
// or where the file is cut.
bool McapReader::resume_after(uint64_t from)
{
  const auto next = std::upper_bound(indexed_chunks_.begin(), indexed_chunks_.end(), from);
  if (next == indexed_chunks_.end()) {
    return false;
  }
  offset_ = *next;
  return true;
}

void McapReader::only(const std::set<std::string> & topics)
{
  wanted_.clear();
  for (const auto & [id, channel] : channels_) {
    if (topics.count(channel.topic)) {
      wanted_.insert(id);
    }
  }
  filtering_ = has_summary_;
}

bool McapReader::skip_unwanted_chunk()
{
  if (!filtering_ || ended_) {
    return false;
  }
  const auto at = std::lower_bound(indexed_chunks_.begin(), indexed_chunks_.end(), offset_);
  if (at == indexed_chunks_.end() || *at != offset_) {
    return false;
  }
  const std::vector<uint16_t> & channels = chunk_channels_[static_cast<std::size_t>(at - indexed_chunks_.begin())];
  const bool wanted = channels.empty() ||  // no message indexes: what it holds is not known
    std::any_of(channels.begin(), channels.end(), [this](uint16_t channel) {return wanted_.count(channel) > 0;});
  if (!wanted) {
    offset_ = chunk_ends_[static_cast<std::size_t>(at - indexed_chunks_.begin())];
  }
  return !wanted;
}

bool McapReader::load_next_record(uint8_t & opcode, Buffer & content)
{
  uint64_t length = 0;
  while (true) {
    // Inside a chunk the summary lists, not at its start: a length before lied.
    const auto after = std::upper_bound(indexed_chunks_.begin(), indexed_chunks_.end(), offset_);
    const std::size_t before = static_cast<std::size_t>(after - indexed_chunks_.begin());
    if (before > 0 && indexed_chunks_[before - 1] != offset_ && offset_ < chunk_ends_[before - 1]) {
      problem("a record at byte " + std::to_string(offset_) + " is inside a chunk; resumed at the next chunk");
      if (!resume_after(offset_)) {
        return false;
      }
    }
    uint8_t prefix[9];
    if (!read_at(offset_, prefix, sizeof(prefix))) {
      problem(offset_ == file_size_ ? "ends after its last whole record, without a summary (cut short)" :
        "ends inside a record at byte " + std::to_string(offset_) + " (cut short)", false);
      return false;
    }
    RecordReader fields(prefix, sizeof(prefix));
    opcode = fields.number<uint8_t>();
    length = fields.number<uint64_t>();
    record_at_ = offset_;
    if (length <= file_size_ - std::min(file_size_, offset_ + sizeof(prefix))) {
      break;
    }
    if (!resume_after(offset_)) {
      problem("a record at byte " + std::to_string(offset_) + " runs past the end (cut short, or a lying length)",
        false);
      return false;
    }
    // A file with a summary was not cut: the length lied.
    problem("a record at byte " + std::to_string(record_at_) + " runs past the end; resumed at the next chunk");
  }
  const uint64_t start = record_at_ + 9;
  offset_ = start + length;
  if (length > kLargestChunk + 1024) {
    problem("a record of " + std::to_string(length) + " bytes is larger than read here; passed over");
    content.clear();
    opcode = 0;  // nothing to take
    return true;
  }
  content.resize(length);
  if (!read_at(start, content.data(), length)) {
    problem("cannot read a record at byte " + std::to_string(record_at_));
    return false;
  }
  return true;
}

bool McapReader::open_chunk(const Buffer & content)
{
  chunk_.clear();
  chunk_at_ = 0;
  try {
    RecordReader fields(content.data(), content.size());
    fields.number<uint64_t>();  // message start and end times
    fields.number<uint64_t>();
    const uint64_t uncompressed_size = fields.number<uint64_t>();
    const uint32_t crc = fields.number<uint32_t>();
    const std::string compression_text = fields.string();
    const uint64_t records_size = fields.number<uint64_t>();
    if (records_size != fields.left()) {
      throw FormatError("a chunk's records do not fill it");
    }
    const std::optional<Compression> compression = compression_named(compression_text);
    if (!compression) {
      throw FormatError("a chunk compressed with '" + compression_text + "', which is not read here");
    }
    if (uncompressed_size > kLargestChunk) {
      throw FormatError("a chunk of " + std::to_string(uncompressed_size) + " bytes unpacked is larger than read here");
    }
    decompress(*compression, fields.here(), records_size, uncompressed_size, chunk_);
    if (crc != 0 && crc32(chunk_.data(), chunk_.size()) != crc) {
      throw FormatError("a chunk's CRC does not match its records");
    }
  } catch (const FormatError & error) {
    chunk_.clear();
    problem(std::string(error.what()) + "; the chunk is passed over");
    return false;
  }
  return true;
}

// Schema and channel records are kept; a message is given out. False for
// anything else.
bool McapReader::take_record(uint8_t opcode, const uint8_t * data, std::size_t size, Message * message)
{
  RecordReader fields(data, size);
  if (opcode == kSchema) {
    Schema schema;
    schema.id = fields.number<uint16_t>();
    schema.name = fields.string();
    schema.encoding = fields.string();
    schema.data = fields.string();
    if (schema.id != 0) {
      schemas_[schema.id] = std::move(schema);
    }
  } else if (opcode == kChannel) {
    Channel channel;
    channel.id = fields.number<uint16_t>();
    channel.schema = fields.number<uint16_t>();
    channel.topic = fields.string();
    channel.message_encoding = fields.string();
    channel.metadata = fields.string_map();
    channels_[channel.id] = std::move(channel);
  } else if (opcode == kMessage && message) {
    message->channel = fields.number<uint16_t>();
    message->sequence = fields.number<uint32_t>();
    message->log_time = fields.number<uint64_t>();
    message->publish_time = fields.number<uint64_t>();
    if (!channels_.count(message->channel)) {
      throw FormatError("a message on channel " + std::to_string(message->channel) + ", which no record defines");
    }
    message->data.assign(fields.here(), fields.here() + fields.left());
    return true;
  }
  return false;
}

bool McapReader::next(Message & message)
{
  while (true) {
    // The open chunk's records first.
    while (chunk_at_ < chunk_.size()) {
      try {
        RecordReader prefix(chunk_.data() + chunk_at_, chunk_.size() - chunk_at_);
        const uint8_t opcode = prefix.number<uint8_t>();
        const uint64_t length = prefix.number<uint64_t>();
        if (length > prefix.left()) {
          throw FormatError("a record inside a chunk runs past its end");
        }
        chunk_at_ += 9 + length;
        if (take_record(opcode, prefix.here(), length, &message)) {
          return true;
        }
      } catch (const FormatError & error) {
        problem(std::string(error.what()) + "; the rest of the chunk is passed over");
        chunk_.clear();
        chunk_at_ = 0;
      }
    }
    if (skip_unwanted_chunk()) {
      continue;
    }
    uint8_t opcode = 0;
    if (ended_ || !load_next_record(opcode, record_)) {
      ended_ = true;
      return false;
    }
    if (opcode == kDataEnd || opcode == kFooter) {
      ended_ = true;
      return false;
    }
    if (opcode == kChunk) {
      if (!open_chunk(record_)) {
        resume_after(record_at_);  // the next chunk listed, whatever the damaged one's length said
      }
      continue;
    }
    try {
      if (take_record(opcode, record_.data(), record_.size(), &message)) {
        return true;
      }
    } catch (const FormatError & error) {
      problem(std::string(error.what()) + "; the record is passed over");
    }
  }
}

bool McapReader::summary(Summary & summary) const
{
  summary = summary_;
  return has_summary_;
}

bool McapReader::read_summary(Summary & summary)
{
  // <footer record: opcode, length 20, summary start, summary offset start, crc><magic>
  uint8_t tail[1 + 8 + 20 + 8];
  if (file_size_ < 8 + sizeof(tail) || !read_at(file_size_ - sizeof(tail), tail, sizeof(tail)) ||
    std::memcmp(tail + 29, kMagic, 8) != 0 || tail[0] != kFooter)
  {
    return false;
  }
  RecordReader footer(tail + 9, 20);
  const uint64_t start = footer.number<uint64_t>();
  const uint64_t offsets_start = footer.number<uint64_t>();
  const uint32_t crc = footer.number<uint32_t>();
  const uint64_t footer_at = file_size_ - sizeof(tail);
  if (start == 0 || start > footer_at || footer_at - start > kLargestChunk) {
    return false;
  }
  std::vector<uint8_t> section(footer_at - start + 1 + 8 + 16);
  if (!read_at(start, section.data(), section.size()) ||
    (crc != 0 && crc32(section.data(), section.size()) != crc))
  {
    problem("the summary does not match its CRC", false);
    return false;
  }
  const uint64_t end = (offsets_start > start && offsets_start <= footer_at ? offsets_start : footer_at) - start;
  struct Listed
  {
    uint64_t start, end;
    std::vector<uint16_t> channels;
    bool operator<(const Listed & other) const {return start < other.start;}
  };
  std::vector<Listed> chunks;
  try {
    for (uint64_t at = 0; at < end; ) {
      RecordReader prefix(section.data() + at, end - at);
      const uint8_t opcode = prefix.number<uint8_t>();
      const uint64_t length = prefix.number<uint64_t>();
      if (length > prefix.left()) {
        throw FormatError("a summary record runs past the summary");
      }
      if (opcode == kStatistics) {
        RecordReader fields(prefix.here(), length);
        summary.messages = fields.number<uint64_t>();
        fields.skip(2 + 4 + 4 + 4 + 4);
        summary.start_time = fields.number<uint64_t>();
        summary.end_time = fields.number<uint64_t>();
        RecordReader counts = fields.part();
        while (!counts.done()) {
          const uint16_t channel = counts.number<uint16_t>();
          summary.counts[channel] = counts.number<uint64_t>();
        }
      } else if (opcode == kChunkIndex) {
        RecordReader fields(prefix.here(), length);
        fields.skip(16);  // message start and end times
        const uint64_t offset = fields.number<uint64_t>();
        const uint64_t chunk_length = fields.number<uint64_t>();
        std::vector<uint16_t> in_chunk;  // the channels with a message index: those it holds
        for (RecordReader indexes = fields.part(); !indexes.done(); indexes.skip(8)) {
          in_chunk.push_back(indexes.number<uint16_t>());
        }
        if (offset >= 8 && offset < start && chunk_length <= start - offset) {
          chunks.push_back({offset, offset + chunk_length, std::move(in_chunk)});
        }
      } else {
        take_record(opcode, prefix.here(), length, nullptr);
      }
      at += 9 + length;
    }
  } catch (const FormatError & error) {
    problem(std::string("its summary: ") + error.what(), false);
    return false;
  }
  // The chunks it lists, in file order: where reading resumes after damage.
  std::sort(chunks.begin(), chunks.end());
  for (Listed & chunk : chunks) {
    if (indexed_chunks_.empty() || chunk.start >= chunk_ends_.back()) {  // overlapping ones are not believed
      indexed_chunks_.push_back(chunk.start);
      chunk_ends_.push_back(chunk.end);
      chunk_channels_.push_back(std::move(chunk.channels));
    }
  }
  return !summary.counts.empty() || summary.messages == 0;
}

}  // namespace bag
