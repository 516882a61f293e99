// Writes the fuzzers' seed corpora: valid messages of every type, in both
// byte orders, with the leading selector byte each harness expects.
//   fuzz_seeds DIRECTORY  ->  DIRECTORY/<Type>/... and DIRECTORY/round_trip/...

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "classes.hpp"

namespace
{
using namespace test_support;

void save(const std::filesystem::path & file, uint8_t selector, const Bytes & bytes)
{
  std::ofstream out(file, std::ios::binary);
  out.put(static_cast<char>(selector));
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

template<class Record>
void seeds(const std::filesystem::path & root, uint8_t type_index, std::mt19937 & rng)
{
  const std::filesystem::path own = root / detail::FieldList<Record>::name;
  const std::filesystem::path shared = root / "round_trip";
  std::filesystem::create_directories(own);
  std::filesystem::create_directories(shared);
  for (int i = 0; i < 8; ++i) {
    Plain<Record> message;
    randomize(*message, rng, RandomShape{8, 24, 2});
    const bool big = i % 2;
    const Bytes bytes = write_plain(*message, big ? kBig : kLittle);
    const std::string name = "seed" + std::to_string(i);
    save(own / name, big ? 1 : 0, bytes);
    save(shared / (std::string(detail::FieldList<Record>::name) + name),
      static_cast<uint8_t>(type_index | (big ? 0x80 : 0)), bytes);
  }
}
}  // namespace

int main(int argc, char ** argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIRECTORY\n");
    return 2;
  }
  std::mt19937 rng(7);
  uint8_t type_index = 0;
#define FUZZ_SEEDS(Msg) seeds<orvane_h26x_msgs__msg__ ## Msg>(argv[1], type_index++, rng);
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(FUZZ_SEEDS)
  return 0;
}
