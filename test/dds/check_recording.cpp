// Checks a recording of a lossy stream: it must be whole access units of the
// input, in order and byte-exact, starting at a key frame and going on after
// any hole only at a key frame (nothing undecodable recorded); the
// recorder's frame count must be what the file holds, and its frames lost
// plus units skipped must account for the units missing after the first one
// recorded (and for no more than all missing). Prints which frames arrived.
//
// Usage: check_recording INPUT RECORDING FRAMES LOST_AND_SKIPPED

#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "annexb.hpp"

namespace
{
std::vector<uint8_t> read_file(const std::string & path)
{
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw std::runtime_error("cannot read " + path);
  }
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Finds increasing unit indices from `first_unit` whose bytes, back to back,
// are exactly recording[position, end). Depth-first: an earlier unit that
// happens to match is tried first, a later one if that leads nowhere.
bool match(
  const std::vector<uint8_t> & input, const std::vector<annexb::AccessUnit> & units,
  const std::vector<uint8_t> & recording, std::size_t position, std::size_t first_unit,
  std::vector<std::size_t> & matched)
{
  if (position == recording.size()) {
    return true;
  }
  for (std::size_t unit = first_unit; unit < units.size(); ++unit) {
    const annexb::AccessUnit & candidate = units[unit];
    if (candidate.size <= recording.size() - position &&
      std::memcmp(input.data() + candidate.offset, recording.data() + position, candidate.size) == 0)
    {
      matched.push_back(unit);
      if (match(input, units, recording, position + candidate.size, unit + 1, matched)) {
        return true;
      }
      matched.pop_back();
    }
  }
  return false;
}
}  // namespace

int main(int argc, char ** argv)
try {
  if (argc != 5) {
    std::cerr << "usage: check_recording INPUT RECORDING FRAMES LOST_AND_SKIPPED\n";
    return 2;
  }
  const std::vector<uint8_t> input = read_file(argv[1]);
  const std::vector<uint8_t> recording = read_file(argv[2]);
  const std::size_t frames = std::stoul(argv[3]);
  const std::size_t lost = std::stoul(argv[4]);
  const auto units = annexb::split_access_units(input, annexb::guess_codec(argv[1], input));

  std::vector<std::size_t> matched;
  if (!match(input, units, recording, 0, 0, matched)) {
    std::cerr << "the recording is not whole access units of the input in order\n";
    return 1;
  }
  if (matched.size() != frames) {
    std::cerr << "the recording holds " << matched.size() << " frames, the recorder says " << frames << "\n";
    return 1;
  }
  const annexb::Codec codec = annexb::guess_codec(argv[1], input);
  for (std::size_t i = 0; i < matched.size(); ++i) {
    const annexb::AccessUnit & unit = units[matched[i]];
    if ((i == 0 || matched[i] != matched[i - 1] + 1) && !annexb::is_key_frame(input.data() + unit.offset, unit.size,
      codec))
    {
      std::cerr << "frame " << matched[i] << " follows a hole but is no key frame\n";
      return 1;
    }
  }
  const std::size_t missing_after = matched.empty() ? 0 : units.size() - matched.front() - matched.size();
  if (lost < missing_after || lost > units.size() - matched.size()) {
    std::cerr << missing_after << " frames are missing after the first one recorded, " <<
      units.size() - matched.size() << " in all; the recorder says " << lost << " lost or skipped\n";
    return 1;
  }
  const std::size_t missing = missing_after;
  std::cout << matched.size() << " of " << units.size() << " frames, in order and byte-exact";
  if (!matched.empty()) {
    std::cout << ", from frame " << matched.front() << "; " << missing << " lost";
  }
  std::cout << "\n";
  return 0;
} catch (const std::exception & error) {
  std::cerr << "check_recording: " << error.what() << "\n";
  return 1;
}
