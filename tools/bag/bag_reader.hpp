#ifndef ORVANE_H26X_MSGS_TOOLS__BAG__BAG_READER_HPP_
#define ORVANE_H26X_MSGS_TOOLS__BAG__BAG_READER_HPP_

// Reads a rosbag2 bag: a bag folder (its metadata.yaml, or its storage files
// when the recorder was killed before writing it), a lone .mcap file or a
// lone .db3 file (rosbag2's SQLite storage, Humble's tables). Messages come
// in time order, file after file. Damage is passed over and counted (see
// problems()); what cannot be read at all is a FormatError.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bag/metadata.hpp"

namespace bag
{

struct BagMessage
{
  std::string topic, type;
  uint64_t log_time = 0, publish_time = 0;
  std::vector<uint8_t> data;  // as stored: CDR with its encapsulation
};

// Whether `path` looks like a bag: a folder with a metadata.yaml or storage
// files, or a file that is MCAP or SQLite.
bool is_bag(const std::string & path);

class BagReader
{
public:
  explicit BagReader(const std::string & path);
  ~BagReader();

  // The topics, types and counts: from metadata.yaml or the files'
  // summaries, else from reading the bag through.
  std::vector<TopicInfo> topics();
  // The next message, or false at the end.
  bool next(BagMessage & message);
  // From here on, messages of other topics may be passed over unread (whole
  // chunks without these topics, rows of other topics).
  void only(const std::set<std::string> & topics) {only_ = topics;}
  // What metadata.yaml says, or would have said: every file read through.
  BagInfo rebuild();

  const std::vector<std::string> & problems() const {return problems_;}
  // Problems in the files read so far that lost messages (not a cut end).
  uint64_t damaged() const {return damaged_;}
  const std::string & folder() const {return folder_;}

  class Storage;

private:
  std::vector<std::string> files_;  // paths, in order
  std::string folder_;  // "" for a lone file
  BagInfo stated_;  // from metadata.yaml
  bool has_metadata_ = false;
  std::size_t current_ = 0;
  std::unique_ptr<Storage> open_;
  std::set<std::string> only_;
  std::vector<std::string> problems_;
  uint64_t damaged_ = 0;
};

}  // namespace bag

#endif  // ORVANE_H26X_MSGS_TOOLS__BAG__BAG_READER_HPP_
