// Writes the bag fuzzers' seeds: small MCAP files (uncompressed, zstd, LZ4;
// several chunks, two channels, a summary) and a SQLite bag in rosbag2's
// tables.   fuzz_bag_seeds DIRECTORY  ->  DIRECTORY/mcap/..., DIRECTORY/sqlite/...

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "bag/mcap_writer.hpp"

namespace
{
// A CDR message as a writer would send it: the encapsulation, then fields.
std::vector<uint8_t> message(int index)
{
  std::vector<uint8_t> bytes = {0x00, 0x01, 0x00, 0x00};
  for (int k = 0; k < 24 + 8 * index; ++k) {
    bytes.push_back(static_cast<uint8_t>(k * 7 + index));
  }
  return bytes;
}

void write_mcap(const std::filesystem::path & file, bag::Compression compression)
{
  stream::OutputFile output(file.string(), true);
  bag::McapWriter::Options options;
  options.compression = compression;
  options.chunk_size = 96;  // a few messages a chunk
  bag::McapWriter writer(output, options);
  const uint16_t schema = writer.add_schema("orvane_h26x_msgs/msg/Compressed", "ros2msg",
      "std_msgs/Header header\nImage[] images\n");
  const uint16_t first = writer.add_channel(schema, "/camera/h26x", "cdr", {{"offered_qos_profiles", ""}});
  const uint16_t second = writer.add_channel(schema, "/camera/other", "cdr", {});
  for (int k = 0; k < 12; ++k) {
    const std::vector<uint8_t> data = message(k);
    writer.write(k % 3 ? first : second, 1000 + 10 * k, 1000 + 10 * k, data.data(), data.size());
  }
  writer.close();
  output.close();
}

void write_sqlite(const std::filesystem::path & file)
{
  std::filesystem::remove(file);
  sqlite3 * db = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_exec(db,
    "CREATE TABLE schema(schema_version INTEGER PRIMARY KEY, ros_distro TEXT NOT NULL);"
    "CREATE TABLE topics(id INTEGER PRIMARY KEY, name TEXT NOT NULL, type TEXT NOT NULL, "
    "serialization_format TEXT NOT NULL, offered_qos_profiles TEXT NOT NULL);"
    "CREATE TABLE messages(id INTEGER PRIMARY KEY, topic_id INTEGER NOT NULL, timestamp INTEGER NOT NULL, "
    "data BLOB NOT NULL);"
    "INSERT INTO schema VALUES (3, 'humble');"
    "INSERT INTO topics VALUES (1, '/camera/h26x', 'orvane_h26x_msgs/msg/Compressed', 'cdr', '');",
    nullptr, nullptr, nullptr);
  sqlite3_stmt * insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO messages VALUES (?, 1, ?, ?)", -1, &insert, nullptr);
  for (int k = 0; k < 6; ++k) {
    const std::vector<uint8_t> data = message(k);
    sqlite3_bind_int(insert, 1, 6 - k);  // row ids against the time order
    sqlite3_bind_int64(insert, 2, 1000 + 10 * k);
    sqlite3_bind_blob(insert, 3, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_close(db);
}
}  // namespace

int main(int argc, char ** argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_bag_seeds DIRECTORY\n");
    return 2;
  }
  const std::filesystem::path root = argv[1];
  std::filesystem::create_directories(root / "mcap");
  std::filesystem::create_directories(root / "sqlite");
  write_mcap(root / "mcap" / "none.mcap", bag::Compression::NONE);
  write_mcap(root / "mcap" / "zstd.mcap", bag::Compression::ZSTD);
  write_mcap(root / "mcap" / "lz4.mcap", bag::Compression::LZ4);
  write_sqlite(root / "sqlite" / "bag.db3");
  return 0;
}
