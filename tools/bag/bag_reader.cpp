#include "bag/bag_reader.hpp"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <set>

#include <dirent.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include "bag/mcap_reader.hpp"
#include "bag/mcap_records.hpp"
#include "yaml-cpp/yaml.h"

namespace bag
{

// One storage file.
class BagReader::Storage
{
public:
  virtual ~Storage() = default;
  virtual bool next(BagMessage & message) = 0;
  // Topics with counts when the file states them without being read through.
  virtual bool stated_topics(std::vector<TopicInfo> & topics) = 0;
  // The topics met so far (all of them once read through), without counts.
  virtual std::vector<TopicInfo> known_topics() const = 0;
  virtual std::vector<std::string> problems() const = 0;
  virtual uint64_t damaged() const = 0;  // problems that lost messages
  // Messages of other topics may be passed over unread.
  virtual void only(const std::set<std::string> & topics) = 0;
};

namespace
{
bool ends_with(const std::string & text, const std::string & end)
{
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool is_folder(const std::string & path)
{
  struct stat found = {};
  return ::stat(path.c_str(), &found) == 0 && S_ISDIR(found.st_mode);
}

std::string file_start(const std::string & path, std::size_t size)
{
  std::ifstream file(path, std::ios::binary);
  std::string head(size, '\0');
  file.read(&head[0], static_cast<std::streamsize>(size));
  head.resize(static_cast<std::size_t>(file.gcount()));
  return head;
}

bool is_mcap(const std::string & path)
{
  return file_start(path, 8) == std::string(reinterpret_cast<const char *>(kMagic), 8);
}

bool is_sqlite(const std::string & path)
{
  return file_start(path, 16) == std::string("SQLite format 3\0", 16);
}

class McapStorage : public BagReader::Storage
{
public:
  explicit McapStorage(const std::string & path) : reader_(path) {}
  bool next(BagMessage & message) override
  {
    Message record;
    while (reader_.next(record)) {
      const Channel & channel = reader_.channels().at(record.channel);
      const auto schema = reader_.schemas().find(channel.schema);
      message.topic = channel.topic;
      message.type = schema == reader_.schemas().end() ? "" : schema->second.name;
      message.log_time = record.log_time;
      message.publish_time = record.publish_time;
      message.data = std::move(record.data);
      return true;
    }
    return false;
  }
  bool stated_topics(std::vector<TopicInfo> & topics) override
  {
    McapReader::Summary summary;
    if (!reader_.summary(summary)) {
      return false;
    }
    for (const auto & [id, channel] : reader_.channels()) {
      TopicInfo topic = topic_of(channel);
      topic.count = summary.counts.count(id) ? summary.counts.at(id) : 0;
      topics.push_back(topic);
    }
    return true;
  }
  std::vector<TopicInfo> known_topics() const override
  {
    std::vector<TopicInfo> topics;
    for (const auto & [id, channel] : reader_.channels()) {
      topics.push_back(topic_of(channel));
    }
    return topics;
  }
  std::vector<std::string> problems() const override {return reader_.problems();}
  uint64_t damaged() const override {return reader_.damaged();}
  void only(const std::set<std::string> & topics) override {reader_.only(topics);}

private:
  TopicInfo topic_of(const Channel & channel) const
  {
    TopicInfo topic;
    topic.name = channel.topic;
    const auto schema = reader_.schemas().find(channel.schema);
    topic.type = schema == reader_.schemas().end() ? "" : schema->second.name;
    const auto qos = channel.metadata.find("offered_qos_profiles");
    topic.offered_qos = qos == channel.metadata.end() ? "" : qos->second;
    topic.serialization_format = channel.message_encoding;
    return topic;
  }
  McapReader reader_;
};

// rosbag2's SQLite storage: tables topics (id, name, type,
// serialization_format, offered_qos_profiles) and messages (id, topic_id,
// timestamp, data), read through Debian's libsqlite3, read-only.
class SqliteStorage : public BagReader::Storage
{
public:
  explicit SqliteStorage(const std::string & path) : path_(path)
  {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      const std::string error = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw FormatError("cannot read " + path + ": " + error);
    }
    read_topics();
    select("");
  }
  ~SqliteStorage() override
  {
    sqlite3_finalize(messages_);
    sqlite3_close(db_);
  }
  bool next(BagMessage & message) override
  {
    while (true) {
      const int step = sqlite3_step(messages_);
      if (step == SQLITE_DONE) {
        return false;
      }
      if (step != SQLITE_ROW) {
        problems_.push_back(path_ + ": " + sqlite3_errmsg(db_) + "; the rest is passed over");
        return false;
      }
      const auto topic = topics_.find(sqlite3_column_int64(messages_, 0));
      if (topic == topics_.end()) {
        problems_.push_back(path_ + ": a message on a topic the bag does not list; passed over");
        continue;
      }
      message.topic = topic->second.name;
      message.type = topic->second.type;
      message.log_time = message.publish_time = static_cast<uint64_t>(sqlite3_column_int64(messages_, 1));
      const auto * data = static_cast<const uint8_t *>(sqlite3_column_blob(messages_, 2));
      message.data.assign(data, data + sqlite3_column_bytes(messages_, 2));
      return true;
    }
  }
  bool stated_topics(std::vector<TopicInfo> & topics) override
  {
    sqlite3_stmt * counts = nullptr;
    if (sqlite3_prepare_v2(db_, "SELECT topic_id, COUNT(*) FROM messages GROUP BY topic_id", -1, &counts,
      nullptr) != SQLITE_OK)
    {
      return false;
    }
    std::map<int64_t, uint64_t> found;
    while (sqlite3_step(counts) == SQLITE_ROW) {
      found[sqlite3_column_int64(counts, 0)] = static_cast<uint64_t>(sqlite3_column_int64(counts, 1));
    }
    sqlite3_finalize(counts);
    for (auto [id, topic] : topics_) {
      topic.count = found[id];
      topics.push_back(topic);
    }
    return true;
  }
  std::vector<TopicInfo> known_topics() const override
  {
    std::vector<TopicInfo> topics;
    for (const auto & [id, topic] : topics_) {
      topics.push_back(topic);
    }
    return topics;
  }
  std::vector<std::string> problems() const override {return problems_;}
  uint64_t damaged() const override {return problems_.size();}
  void only(const std::set<std::string> & topics) override
  {
    std::string ids;
    for (const auto & [id, topic] : topics_) {
      if (topics.count(topic.name)) {
        ids += (ids.empty() ? "" : ",") + std::to_string(id);
      }
    }
    select(" WHERE topic_id IN (" + ids + ")");
  }

private:
  void select(const std::string & where)
  {
    sqlite3_finalize(messages_);
    messages_ = nullptr;
    const std::string query = "SELECT topic_id, timestamp, data FROM messages" + where + " ORDER BY timestamp, id";
    if (sqlite3_prepare_v2(db_, query.c_str(), -1, &messages_, nullptr) != SQLITE_OK) {
      fail("its messages");
    }
  }
  [[noreturn]] void fail(const std::string & what)
  {
    const std::string error = path_ + ": cannot read " + what + ": " + sqlite3_errmsg(db_);
    sqlite3_finalize(messages_);  // closed for good: a later step fails, the destructor does nothing
    sqlite3_close(db_);
    messages_ = nullptr;
    db_ = nullptr;
    throw FormatError(error);
  }
  static std::string text(sqlite3_stmt * statement, int column)
  {
    const auto * value = sqlite3_column_text(statement, column);
    return value ? reinterpret_cast<const char *>(value) : "";
  }
  void read_topics()
  {
    // Foxy's table has no offered_qos_profiles.
    sqlite3_stmt * statement = nullptr;
    const bool with_qos = sqlite3_prepare_v2(db_,
        "SELECT id, name, type, serialization_format, offered_qos_profiles FROM topics", -1, &statement,
        nullptr) == SQLITE_OK;
    if (!with_qos && sqlite3_prepare_v2(db_, "SELECT id, name, type, serialization_format FROM topics", -1,
      &statement, nullptr) != SQLITE_OK)
    {
      fail("its topics");
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
      TopicInfo topic;
      topic.name = text(statement, 1);
      topic.type = text(statement, 2);
      topic.serialization_format = text(statement, 3);
      topic.offered_qos = with_qos ? text(statement, 4) : "";
      topics_[sqlite3_column_int64(statement, 0)] = topic;
    }
    sqlite3_finalize(statement);
  }
  std::string path_;
  sqlite3 * db_ = nullptr;
  sqlite3_stmt * messages_ = nullptr;
  std::map<int64_t, TopicInfo> topics_;
  std::vector<std::string> problems_;
};

std::unique_ptr<BagReader::Storage> open_storage(const std::string & path)
{
  if (is_mcap(path)) {
    return std::make_unique<McapStorage>(path);
  }
  if (is_sqlite(path)) {
    return std::make_unique<SqliteStorage>(path);
  }
  throw FormatError(path + " is neither MCAP nor SQLite");
}

// A bag folder's storage files when its metadata.yaml is missing: NAME_<k>.*
// by k, then any others by name.
std::vector<std::string> storage_files(const std::string & folder)
{
  std::vector<std::pair<long, std::string>> found;
  if (DIR * dir = ::opendir(folder.c_str())) {
    while (const dirent * entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (ends_with(name, ".mcap") || ends_with(name, ".db3")) {
        const std::size_t underscore = name.rfind('_');
        const long index = underscore == std::string::npos ? -1 : std::atol(name.c_str() + underscore + 1);
        found.emplace_back(index, name);
      }
    }
    ::closedir(dir);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> files;
  for (const auto & entry : found) {
    files.push_back(folder + "/" + entry.second);
  }
  return files;
}

// A path from metadata.yaml: inside the folder, or it is refused.
std::string inside(const std::string & folder, const std::string & relative)
{
  if (relative.empty() || relative[0] == '/' || relative.find("..") != std::string::npos ||
    relative.find('\\') != std::string::npos)
  {
    throw FormatError(folder + "/metadata.yaml names a file outside the bag: " + relative);
  }
  return folder + "/" + relative;
}
}  // namespace

bool is_bag(const std::string & path)
{
  if (is_folder(path)) {
    std::ifstream metadata(path + "/metadata.yaml");
    return metadata.good() || !storage_files(path).empty();
  }
  return is_mcap(path) || is_sqlite(path);
}

BagReader::BagReader(const std::string & path)
{
  if (!is_folder(path)) {
    open_storage(path);  // refuses what is not a bag file
    files_.push_back(path);
    return;
  }
  folder_ = path;
  try {
    const YAML::Node root = YAML::LoadFile(path + "/metadata.yaml")["rosbag2_bagfile_information"];
    if (!root) {
      throw FormatError(path + "/metadata.yaml is not a bag's metadata");
    }
    has_metadata_ = true;
    stated_.storage = root["storage_identifier"].as<std::string>("");
    for (const YAML::Node & file : root["relative_file_paths"]) {
      files_.push_back(inside(path, file.as<std::string>()));
    }
    for (const YAML::Node & entry : root["topics_with_message_count"]) {
      TopicInfo topic;
      topic.name = entry["topic_metadata"]["name"].as<std::string>("");
      topic.type = entry["topic_metadata"]["type"].as<std::string>("");
      topic.offered_qos = entry["topic_metadata"]["offered_qos_profiles"].as<std::string>("");
      topic.count = entry["message_count"].as<uint64_t>(0);
      stated_.topics.push_back(topic);
    }
  } catch (const YAML::BadFile &) {
    files_ = storage_files(path);
    problems_.push_back(
      path + " has no metadata.yaml (its recorder was killed, or failed): its files are read as they are");
  } catch (const YAML::Exception & error) {
    throw FormatError(path + "/metadata.yaml: " + error.what());
  }
  if (files_.empty()) {
    throw FormatError(path + " holds no bag file");
  }
}

BagReader::~BagReader() = default;

bool BagReader::next(BagMessage & message)
{
  while (current_ < files_.size()) {
    try {
      if (!open_) {
        open_ = open_storage(files_[current_]);
        if (!only_.empty()) {
          open_->only(only_);
        }
      }
      if (open_->next(message)) {
        return true;
      }
    } catch (const FormatError & error) {
      problems_.push_back(error.what());
    }
    if (open_) {
      const std::vector<std::string> found = open_->problems();
      problems_.insert(problems_.end(), found.begin(), found.end());
      damaged_ += open_->damaged();
    } else {
      ++damaged_;  // a file that would not open
    }
    open_.reset();
    ++current_;
  }
  return false;
}

std::vector<TopicInfo> BagReader::topics()
{
  if (has_metadata_) {
    return stated_.topics;
  }
  std::vector<TopicInfo> stated;
  bool complete = true;
  for (const std::string & file : files_) {
    try {
      complete = open_storage(file)->stated_topics(stated) && complete;
    } catch (const FormatError &) {
      complete = false;
    }
  }
  if (!complete) {
    // Read through to count; what is wrong is said when the messages are read.
    const std::size_t said = problems_.size();
    const BagInfo found = rebuild();
    problems_.resize(said);
    return found.topics;
  }
  std::map<std::string, TopicInfo> merged;  // a topic over several files
  for (const TopicInfo & topic : stated) {
    TopicInfo & entry = merged[topic.name];
    const uint64_t count = entry.count;
    entry = topic;
    entry.count += count;
  }
  std::vector<TopicInfo> topics;
  for (const auto & [name, topic] : merged) {
    topics.push_back(topic);
  }
  return topics;
}

BagInfo BagReader::rebuild()
{
  BagInfo info;
  std::map<std::string, TopicInfo> topics;
  for (const std::string & path : files_) {
    FileInfo file;
    file.path = folder_.empty() ? path : path.substr(folder_.size() + 1);
    try {
      std::unique_ptr<Storage> storage = open_storage(path);
      info.storage = is_sqlite(path) ? "sqlite3" : "mcap";
      BagMessage message;
      while (storage->next(message)) {
        file.start = file.count ? std::min(file.start, message.log_time) : message.log_time;
        file.end = std::max(file.end, message.log_time);
        ++file.count;
        TopicInfo & topic = topics[message.topic];
        topic.name = message.topic;
        topic.type = message.type;
        ++topic.count;
      }
      for (const TopicInfo & entry : storage->known_topics()) {  // offered QoS, from the channels
        if (topics.count(entry.name)) {
          topics[entry.name].offered_qos = entry.offered_qos;
        }
      }
      const std::vector<std::string> found = storage->problems();
      problems_.insert(problems_.end(), found.begin(), found.end());
    } catch (const FormatError & error) {
      problems_.push_back(error.what());
    }
    info.files.push_back(file);
  }
  for (const auto & [name, topic] : topics) {
    info.topics.push_back(topic);
  }
  return info;
}

}  // namespace bag
