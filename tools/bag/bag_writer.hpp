#ifndef ORVANE_H26X_MSGS_TOOLS__BAG__BAG_WRITER_HPP_
#define ORVANE_H26X_MSGS_TOOLS__BAG__BAG_WRITER_HPP_

// A rosbag2 bag folder as `ros2 bag record -s mcap` writes it (Humble):
// FOLDER/FOLDER_<k>.mcap with the ros2 profile (a ros2msg schema per type,
// a cdr channel per topic with its offered QoS), split by size or duration,
// and FOLDER/metadata.yaml (version 5) written when the bag is closed.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bag/mcap_writer.hpp"

namespace bag
{

class BagWriter
{
public:
  struct Options
  {
    std::string folder;
    bool overwrite = false;
    McapWriter::Options mcap;
    uint64_t split_bytes = 0;  // a new file once one holds this many; 0: never
    uint64_t split_nanoseconds = 0;  // a new file once one spans this long; 0: never
  };
  // Makes the folder (one that exists is an error unless `overwrite`) and
  // opens its first file, so that a bag that cannot be written fails at once.
  explicit BagWriter(const Options & options);
  ~BagWriter();

  // Before a topic's first message: its type ("package/msg/Type") and the
  // QoS its publishers offer (offered_qos_yaml).
  void add_topic(const std::string & topic, const std::string & type, const std::string & offered_qos);
  bool has_topic(const std::string & topic) const {return topics_.count(topic) > 0;}
  // A stream::OutputError when the disk fails; the bag's files end on whole chunks.
  // A split waits for a message that `starts` a file (a key frame), so that
  // each file plays on its own.
  void write(const std::string & topic, uint64_t log_time, uint64_t publish_time, const uint8_t * data,
    std::size_t size, bool starts = true);
  void flush_if_old();
  // Closes the open file and writes metadata.yaml.
  void close();

  uint64_t messages() const;
  uint64_t bytes() const;
  const std::string & folder() const {return options_.folder;}
  std::size_t files() const {return files_.size();}

private:
  struct Topic
  {
    std::string type, offered_qos;
    uint64_t count = 0;
    std::map<std::size_t, uint16_t> channels;  // per file
  };
  struct File
  {
    std::string name;
    uint64_t start = 0, end = 0, count = 0, bytes = 0;
  };
  void open_file();
  void close_file();
  std::string metadata_yaml() const;

  Options options_;
  std::string base_;  // the folder's own name
  std::map<std::string, Topic> topics_;
  std::map<std::string, uint16_t> schemas_;  // per type, in the open file
  std::vector<File> files_;
  std::unique_ptr<stream::OutputFile> output_;
  std::unique_ptr<McapWriter> writer_;
  bool closed_ = false;
};

}  // namespace bag

#endif  // ORVANE_H26X_MSGS_TOOLS__BAG__BAG_WRITER_HPP_
