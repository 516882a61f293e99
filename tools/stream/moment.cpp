#include "stream/moment.hpp"

#include <algorithm>
#include <cctype>
#include <chrono>

namespace stream
{

std::optional<annexb::Codec> video_codec(const std::string & encoding)
{
  std::string name;
  for (const char c : encoding) {
    if (c != '.' && c != '-' && c != '_') {
      name.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
  }
  if (name == "h264" || name == "avc" || name == "x264") {
    return annexb::Codec::H264;
  }
  if (name == "h265" || name == "hevc" || name == "x265") {
    return annexb::Codec::H265;
  }
  return std::nullopt;
}

bool is_key(const Unit & unit)
{
  const std::optional<annexb::Codec> codec = video_codec(unit.encoding);
  return !codec || annexb::is_key_frame(unit.data.data(), unit.data.size(), *codec);
}

int64_t now_ns()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
    std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace stream
