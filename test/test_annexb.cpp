// Splitting the sample streams into access units: the frame counts ffprobe
// reports, units that rebuild the input exactly, and the picture size.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <tuple>

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

TEST(AnnexB, H265GeometryKeyFramesAndWhatIsAnnexB)
{
  const std::vector<uint8_t> h265 = read_file(std::string(SAMPLE_DIR) + "/sample.h265");
  const annexb::Geometry geometry = annexb::find_geometry(h265.data(), h265.size(), annexb::Codec::H265);
  EXPECT_EQ(geometry.width, 320u);  // as the sample was made (testsrc2, 320 x 240)
  EXPECT_EQ(geometry.height, 240u);
  // The samples' key frames as libavcodec's parser flags them: H.264 every
  // 50 units, H.265 the first only.
  for (const auto & [name, codec, keys] : {std::tuple{"sample.h264", annexb::Codec::H264, std::vector<std::size_t>{0, 50, 100}},
      std::tuple{"sample.h265", annexb::Codec::H265, std::vector<std::size_t>{0}}})
  {
    const std::vector<uint8_t> stream = read_file(std::string(SAMPLE_DIR) + "/" + name);
    std::vector<std::size_t> found;
    const auto units = annexb::split_access_units(stream, codec);
    for (std::size_t k = 0; k < units.size(); ++k) {
      if (annexb::is_key_frame(stream.data() + units[k].offset, units[k].size, codec)) {
        found.push_back(k);
      }
    }
    EXPECT_EQ(found, keys) << name;
    EXPECT_TRUE(annexb::is_annexb(stream, codec)) << name;
  }
  // An MP4's first box, and bytes with no picture after a start code, are not Annex-B.
  const std::vector<uint8_t> mp4 = {0, 0, 0, 0x20, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm'};
  EXPECT_FALSE(annexb::is_annexb(mp4, annexb::Codec::H264));
  const std::vector<uint8_t> parameter_sets_only = {0, 0, 0, 1, 0x67, 0x64, 0, 0x1f};
  EXPECT_FALSE(annexb::is_annexb(parameter_sets_only, annexb::Codec::H264));
}

TEST(AnnexB, FrameRateFromTheTimingInformation)
{
  const std::vector<uint8_t> h264 = read_file(std::string(SAMPLE_DIR) + "/sample.h264");
  EXPECT_DOUBLE_EQ(annexb::find_frame_rate(h264.data(), h264.size(), annexb::Codec::H264), 25.0);
  // An H.265 VPS written bit by bit: one layer, no sub-layers, timing
  // 1001 / 30000 (the profile_tier_level and escapes are the sample's).
  const std::vector<uint8_t> vps = {
    0, 0, 0, 1, 0x40, 0x01, 0x0c, 0x01, 0xff, 0xff, 0x01, 0x60, 0, 0, 3, 0, 0x90, 0, 0, 3, 0, 0, 3, 0, 0x3c,
    0xf0, 0x30, 0x00, 0x00, 0x3e, 0x90, 0x00, 0x07, 0x53, 0x08};
  EXPECT_NEAR(annexb::find_frame_rate(vps.data(), vps.size(), annexb::Codec::H265), 30000.0 / 1001, 1e-9);
  // Cut before the timing, or no parameter set: no rate rather than a guess.
  EXPECT_EQ(annexb::find_frame_rate(vps.data(), vps.size() - 6, annexb::Codec::H265), 0.0);
  EXPECT_EQ(annexb::find_frame_rate(h264.data() + 40, 2000, annexb::Codec::H264), 0.0);
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
