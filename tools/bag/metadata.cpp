#include "bag/metadata.hpp"

#include <algorithm>

#include "yaml-cpp/yaml.h"

namespace bag
{
namespace
{
void nanoseconds(YAML::Emitter & out, const char * key, const char * unit, uint64_t value)
{
  out << YAML::Key << key << YAML::Value << YAML::BeginMap << YAML::Key << unit << YAML::Value << value <<
    YAML::EndMap;
}
}  // namespace

std::string metadata_yaml(const BagInfo & info)
{
  uint64_t start = UINT64_MAX, end = 0, messages = 0;
  for (const FileInfo & file : info.files) {
    if (file.count) {
      start = std::min(start, file.start);
      end = std::max(end, file.end);
    }
    messages += file.count;
  }
  start = start == UINT64_MAX ? 0 : start;
  end = std::max(end, start);
  YAML::Emitter out;
  out << YAML::BeginMap << YAML::Key << "rosbag2_bagfile_information" << YAML::Value << YAML::BeginMap;
  out << YAML::Key << "version" << YAML::Value << 5;
  out << YAML::Key << "storage_identifier" << YAML::Value << info.storage;
  nanoseconds(out, "duration", "nanoseconds", end - start);
  nanoseconds(out, "starting_time", "nanoseconds_since_epoch", start);
  out << YAML::Key << "message_count" << YAML::Value << messages;
  out << YAML::Key << "topics_with_message_count" << YAML::Value << YAML::BeginSeq;
  for (const TopicInfo & topic : info.topics) {
    out << YAML::BeginMap << YAML::Key << "topic_metadata" << YAML::Value << YAML::BeginMap;
    out << YAML::Key << "name" << YAML::Value << topic.name << YAML::Key << "type" << YAML::Value << topic.type;
    out << YAML::Key << "serialization_format" << YAML::Value << topic.serialization_format;
    out << YAML::Key << "offered_qos_profiles" << YAML::Value << YAML::DoubleQuoted << topic.offered_qos;
    out << YAML::EndMap << YAML::Key << "message_count" << YAML::Value << topic.count << YAML::EndMap;
  }
  out << YAML::EndSeq;
  out << YAML::Key << "compression_format" << YAML::Value << YAML::DoubleQuoted << "";
  out << YAML::Key << "compression_mode" << YAML::Value << YAML::DoubleQuoted << "";
  out << YAML::Key << "relative_file_paths" << YAML::Value << YAML::BeginSeq;
  for (const FileInfo & file : info.files) {
    out << file.path;
  }
  out << YAML::EndSeq << YAML::Key << "files" << YAML::Value << YAML::BeginSeq;
  for (const FileInfo & file : info.files) {
    out << YAML::BeginMap << YAML::Key << "path" << YAML::Value << file.path;
    nanoseconds(out, "starting_time", "nanoseconds_since_epoch", file.count ? file.start : 0);
    nanoseconds(out, "duration", "nanoseconds", file.count ? file.end - file.start : 0);
    out << YAML::Key << "message_count" << YAML::Value << file.count << YAML::EndMap;
  }
  out << YAML::EndSeq << YAML::EndMap << YAML::EndMap;
  return std::string(out.c_str()) + "\n";
}

}  // namespace bag
