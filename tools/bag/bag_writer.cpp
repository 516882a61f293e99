#include "bag/bag_writer.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sstream>

#include <sys/stat.h>

#include "bag/message_definitions.hpp"
#include "bag/metadata.hpp"
#include "bag/offered_qos.hpp"

namespace bag
{
namespace
{
constexpr int64_t kInfiniteSeconds = 9223372036;  // rmw's infinite duration, as Humble's bags write it
constexpr int64_t kInfiniteNanoseconds = 854775807;

void duration(std::ostringstream & out, const char * name, int64_t nanoseconds)
{
  const bool infinite = nanoseconds < 0;
  out << "  " << name << ":\n    sec: " << (infinite ? kInfiniteSeconds : nanoseconds / 1000000000) <<
    "\n    nsec: " << (infinite ? kInfiniteNanoseconds : nanoseconds % 1000000000) << "\n";
}
}  // namespace

std::string offered_qos_yaml(const std::vector<OfferedQos> & publishers)
{
  std::ostringstream out;
  for (const OfferedQos & qos : publishers) {
    out << "- history: 3\n  depth: 0\n  reliability: " << qos.reliability << "\n  durability: " <<
      qos.durability << "\n";
    duration(out, "deadline", qos.deadline_ns);
    duration(out, "lifespan", qos.lifespan_ns);
    out << "  liveliness: " << qos.liveliness << "\n";
    duration(out, "liveliness_lease_duration", qos.lease_ns);
    out << "  avoid_ros_namespace_conventions: false\n";
  }
  std::string text = out.str();
  if (!text.empty()) {
    text.pop_back();  // rosbag2's string has no final line break
  }
  return text;
}

BagWriter::BagWriter(const Options & options)
: options_(options)
{
  while (options_.folder.size() > 1 && options_.folder.back() == '/') {
    options_.folder.pop_back();
  }
  base_ = options_.folder.substr(options_.folder.rfind('/') + 1);
  if (::mkdir(options_.folder.c_str(), 0777) != 0) {
    struct stat found = {};
    const bool folder = errno == EEXIST && ::stat(options_.folder.c_str(), &found) == 0 && S_ISDIR(found.st_mode);
    if (!folder || !options_.overwrite) {
      throw stream::OutputError(errno == EEXIST ? options_.folder + " exists (--overwrite writes into it)" :
              "cannot make the bag folder " + options_.folder + ": " + std::strerror(errno));
    }
  }
  open_file();
}

BagWriter::~BagWriter()
{
  try {
    close();
  } catch (const std::exception &) {
  }
}

void BagWriter::open_file()
{
  File file;
  file.name = base_ + "_" + std::to_string(files_.size()) + ".mcap";
  output_ = std::make_unique<stream::OutputFile>(options_.folder + "/" + file.name, options_.overwrite);
  writer_ = std::make_unique<McapWriter>(*output_, options_.mcap);
  files_.push_back(file);
  schemas_.clear();
}

void BagWriter::close_file()
{
  if (!writer_) {
    return;
  }
  try {
    writer_->close();
    files_.back().bytes = output_->size();
    output_->close();
  } catch (const stream::OutputError &) {
    output_->truncate(writer_->committed());  // the file ends on its last whole chunk
    files_.back().bytes = output_->size();
    writer_.reset();
    output_.reset();
    throw;
  }
  writer_.reset();
  output_.reset();
}

void BagWriter::add_topic(const std::string & topic, const std::string & type, const std::string & offered_qos)
{
  Topic & entry = topics_[topic];
  entry.type = type;
  entry.offered_qos = offered_qos;
}

void BagWriter::write(
  const std::string & topic, uint64_t log_time, uint64_t publish_time, const uint8_t * data, std::size_t size,
  bool starts)
{
  if (!writer_) {
    throw stream::OutputError(options_.folder + " is closed");
  }
  File * file = &files_.back();
  const bool split = file->count > 0 && starts &&
    ((options_.split_bytes && writer_->bytes() >= options_.split_bytes) ||
    (options_.split_nanoseconds && log_time >= file->start + options_.split_nanoseconds));
  if (split) {
    close_file();
    open_file();
    file = &files_.back();
  }
  Topic & entry = topics_.at(topic);
  const std::size_t index = files_.size() - 1;
  if (!entry.channels.count(index)) {
    if (!schemas_.count(entry.type)) {
      const std::optional<std::string> schema = ros2msg_schema(entry.type);
      schemas_[entry.type] = writer_->add_schema(entry.type, schema ? "ros2msg" : "", schema ? *schema : "");
    }
    entry.channels[index] = writer_->add_channel(schemas_[entry.type], topic, "cdr",
        {{"offered_qos_profiles", entry.offered_qos}});
  }
  writer_->write(entry.channels[index], log_time, publish_time, data, size);
  file->start = file->count ? std::min(file->start, log_time) : log_time;
  file->end = std::max(file->end, log_time);
  ++file->count;
  ++entry.count;
}

void BagWriter::flush_if_old()
{
  if (writer_) {
    writer_->flush_if_old();
  }
}

void BagWriter::close()
{
  if (closed_) {
    return;
  }
  closed_ = true;
  close_file();
  stream::OutputFile metadata(options_.folder + "/metadata.yaml", true);
  const std::string text = metadata_yaml();
  metadata.write(reinterpret_cast<const uint8_t *>(text.data()), text.size());
  metadata.close();
}

uint64_t BagWriter::messages() const
{
  uint64_t count = 0;
  for (const File & file : files_) {
    count += file.count;
  }
  return count;
}

uint64_t BagWriter::bytes() const
{
  uint64_t total = 0;
  for (const File & file : files_) {
    total += file.bytes;
  }
  return total + (output_ ? output_->size() : 0);
}

std::string BagWriter::metadata_yaml() const
{
  BagInfo info;
  for (const auto & [name, topic] : topics_) {
    TopicInfo entry;
    entry.name = name;
    entry.type = topic.type;
    entry.offered_qos = topic.offered_qos;
    entry.count = topic.count;
    info.topics.push_back(entry);
  }
  for (const File & file : files_) {
    info.files.push_back({file.name, file.start, file.end, file.count});
  }
  return bag::metadata_yaml(info);
}

}  // namespace bag
