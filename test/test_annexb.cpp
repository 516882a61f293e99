// Splitting the sample streams into access units: the frame counts ffprobe
// reports, units that rebuild the input exactly, and the picture size.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "annexb.hpp"

namespace
{
std::vector<uint8_t> read_file(const std::string & path)
{
  std::ifstream file(path, std::ios::binary);
  EXPECT_TRUE(file.good()) << path;
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void expect_split(const std::string & name, annexb::Codec codec, std::size_t frames)
{
  const std::vector<uint8_t> stream = read_file(std::string(SAMPLE_DIR) + "/" + name);
  EXPECT_EQ(annexb::guess_codec(name, stream), codec);
  EXPECT_EQ(annexb::guess_codec("no_extension", stream), codec);
  const auto units = annexb::split_access_units(stream, codec);
  EXPECT_EQ(units.size(), frames) << name;
  std::vector<uint8_t> rebuilt;
  for (const auto & unit : units) {
    EXPECT_EQ(unit.offset, rebuilt.size());
    EXPECT_GT(unit.size, 0u);
    rebuilt.insert(rebuilt.end(), stream.begin() + unit.offset, stream.begin() + unit.offset + unit.size);
  }
  EXPECT_EQ(rebuilt, stream);
}

TEST(AnnexB, SamplesSplitIntoTheirFrames)
{
  // Frame counts as ffprobe -count_frames gives them.
  expect_split("sample.h264", annexb::Codec::H264, 150);
  expect_split("sample.h265", annexb::Codec::H265, 50);
}

TEST(AnnexB, GeometryFromTheSequenceParameterSet)
{
  const std::vector<uint8_t> stream = read_file(std::string(SAMPLE_DIR) + "/sample.h264");
  const annexb::Geometry geometry = annexb::find_geometry(stream.data(), stream.size(), annexb::Codec::H264);
  EXPECT_EQ(geometry.width, 320u);
  EXPECT_EQ(geometry.height, 240u);
}

TEST(AnnexB, OddInputStaysWhole)
{
  const std::vector<uint8_t> garbage = {1, 2, 3, 0, 0};
  const auto units = annexb::split_access_units(garbage, annexb::Codec::H264);
  ASSERT_EQ(units.size(), 1u);
  EXPECT_EQ(units[0].size, garbage.size());
  EXPECT_TRUE(annexb::split_access_units({}, annexb::Codec::H265).empty());
  const annexb::Geometry none = annexb::find_geometry(garbage.data(), garbage.size(), annexb::Codec::H264);
  EXPECT_EQ(none.width, 0u);
  // A truncated parameter set yields no geometry rather than garbage.
  const std::vector<uint8_t> short_sps = {0, 0, 0, 1, 0x67, 0x64, 0x00};
  EXPECT_EQ(annexb::find_geometry(short_sps.data(), short_sps.size(), annexb::Codec::H264).width, 0u);
}
}  // namespace
