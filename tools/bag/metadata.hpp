#ifndef ORVANE_H26X_MSGS_TOOLS__BAG__METADATA_HPP_
#define ORVANE_H26X_MSGS_TOOLS__BAG__METADATA_HPP_

// What a bag folder's metadata.yaml says (rosbag2's version 5, Humble's),
// written by the bag writer and rebuilt by the reader.

#include <cstdint>
#include <string>
#include <vector>

namespace bag
{

struct TopicInfo
{
  std::string name, type, serialization_format = "cdr", offered_qos;
  uint64_t count = 0;
};

struct FileInfo
{
  std::string path;  // relative to the folder
  uint64_t start = 0, end = 0, count = 0;  // log times, nanoseconds
};

struct BagInfo
{
  std::string storage = "mcap";  // or "sqlite3"
  std::vector<TopicInfo> topics;
  std::vector<FileInfo> files;
};

std::string metadata_yaml(const BagInfo & info);

}  // namespace bag

#endif  // ORVANE_H26X_MSGS_TOOLS__BAG__METADATA_HPP_
