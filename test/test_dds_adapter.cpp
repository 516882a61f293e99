// The Fast DDS adapter's names: the DDS type name of every message, as every
// ROS 2 node on Fast DDS registers it, and ROS topic names on DDS; the
// foreign types' bytes, computed by hand.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "dds/handle_topic_type.hpp"
#include "dds/pass_through_type.hpp"
#include "foreign/foreign_types.hpp"
#include "orvane_h26x_msgs/msg/compressed.h"
#include "orvane_h26x_msgs/msg/compressed.hpp"
#include "orvane_h26x_msgs/msg/dual_compressed_image.hpp"
#include "orvane_h26x_msgs/msg/image.hpp"
#include "orvane_h26x_msgs/msg/multi_compressed.hpp"
#include "orvane_h26x_msgs/msg/multi_image.hpp"
#include "orvane_h26x_msgs/msg/original_image.hpp"
#include "options.hpp"
#include "rosidl_typesupport_cpp/message_type_support.hpp"

namespace
{
template<class Message>
std::string registered_name()
{
  orvane_dds::HandleTopicType type(
    rosidl_typesupport_cpp::get_message_type_support_handle<Message>(), {[] {return nullptr;}, [](void *) {}});
  return type.getName();
}

TEST(DdsAdapter, TypeNamesAreTheRos2Names)
{
  using namespace orvane_h26x_msgs::msg;
  EXPECT_EQ(registered_name<Image>(), "orvane_h26x_msgs::msg::dds_::Image_");
  EXPECT_EQ(registered_name<Compressed>(), "orvane_h26x_msgs::msg::dds_::Compressed_");
  EXPECT_EQ(registered_name<DualCompressedImage>(), "orvane_h26x_msgs::msg::dds_::DualCompressedImage_");
  EXPECT_EQ(registered_name<OriginalImage>(), "orvane_h26x_msgs::msg::dds_::OriginalImage_");
  EXPECT_EQ(registered_name<MultiImage>(), "orvane_h26x_msgs::msg::dds_::MultiImage_");
  EXPECT_EQ(registered_name<MultiCompressed>(), "orvane_h26x_msgs::msg::dds_::MultiCompressed_");
  // The C dispatch handle (the publisher's) gives the same name.
  orvane_dds::HandleTopicType plain(
    rosidl_typesupport_c__get_message_type_support_handle__orvane_h26x_msgs__msg__Compressed(),
    {[] {return nullptr;}, [](void *) {}});
  EXPECT_STREQ(plain.getName(), "orvane_h26x_msgs::msg::dds_::Compressed_");
}

const message_type_support_callbacks_t & callbacks_of(const rosidl_message_type_support_t * handle)
{
  return *static_cast<const message_type_support_callbacks_t *>(orvane_dds::fastrtps_handle(handle)->data);
}

// A sensor_msgs/Image and a foxglove_msgs/CompressedVideo, laid out by hand
// (little-endian CDR, encapsulation first), both ways; every shorter input
// and a count larger than the input are refused.
TEST(DdsAdapter, ForeignTypesAreTheirRos2Bytes)
{
  foreign::SensorImage image;
  image.header.stamp.sec = 7;
  image.header.stamp.nanosec = 9;
  image.header.frame_id = "cam";
  image.height = 1;
  image.width = 2;
  image.encoding = "mono8";
  image.step = 2;
  image.data = {0xaa, 0xbb};
  const std::vector<uint8_t> image_bytes = {
    0, 1, 0, 0,  7, 0, 0, 0,  9, 0, 0, 0,  4, 0, 0, 0, 'c', 'a', 'm', 0,  // encapsulation, stamp, frame_id
    1, 0, 0, 0,  2, 0, 0, 0,  6, 0, 0, 0, 'm', 'o', 'n', 'o', '8', 0,  // height, width, encoding
    0, 0,  2, 0, 0, 0,  2, 0, 0, 0, 0xaa, 0xbb};  // is_bigendian, padding, step, data
  foreign::CompressedVideo video;
  video.timestamp.sec = -1;
  video.timestamp.nanosec = 5;
  video.frame_id = "f";
  video.data = {1, 2, 3};
  video.format = "h264";
  const std::vector<uint8_t> video_bytes = {
    0, 1, 0, 0,  0xff, 0xff, 0xff, 0xff,  5, 0, 0, 0,  2, 0, 0, 0, 'f', 0, 0, 0,  // timestamp, frame_id
    3, 0, 0, 0, 1, 2, 3, 0,  5, 0, 0, 0, 'h', '2', '6', '4', 0};  // data, padding, format

  const auto & image_callbacks = callbacks_of(foreign::type_support<foreign::SensorImage>());
  const auto & video_callbacks = callbacks_of(foreign::type_support<foreign::CompressedVideo>());
  EXPECT_EQ(orvane_dds::dds_type_name(image_callbacks), "sensor_msgs::msg::dds_::Image_");
  EXPECT_EQ(orvane_dds::dds_type_name(video_callbacks), "foxglove_msgs::msg::dds_::CompressedVideo_");
  EXPECT_EQ(orvane_dds::encode_cdr(image_callbacks, &image), image_bytes);
  EXPECT_EQ(orvane_dds::encode_cdr(video_callbacks, &video), video_bytes);
  EXPECT_EQ(image_callbacks.get_serialized_size(&image) + 4, image_bytes.size());

  foreign::SensorImage image_read;
  ASSERT_TRUE(orvane_dds::decode_cdr(image_callbacks, image_bytes.data(), image_bytes.size(), &image_read));
  EXPECT_EQ(orvane_dds::encode_cdr(image_callbacks, &image_read), image_bytes);
  foreign::CompressedVideo video_read;
  ASSERT_TRUE(orvane_dds::decode_cdr(video_callbacks, video_bytes.data(), video_bytes.size(), &video_read));
  EXPECT_EQ(video_read.timestamp.sec, -1);
  EXPECT_EQ(video_read.data, video.data);
  EXPECT_EQ(video_read.format, "h264");
  for (std::size_t size = 0; size < image_bytes.size(); ++size) {
    EXPECT_FALSE(orvane_dds::decode_cdr(image_callbacks, image_bytes.data(), size, &image_read)) << size;
  }
  for (std::size_t size = 0; size < video_bytes.size(); ++size) {
    EXPECT_FALSE(orvane_dds::decode_cdr(video_callbacks, video_bytes.data(), size, &video_read)) << size;
  }
  std::vector<uint8_t> lying = video_bytes;
  lying[20] = 0xff;  // data: 255 bytes claimed, 13 left
  EXPECT_FALSE(orvane_dds::decode_cdr(video_callbacks, lying.data(), lying.size(), &video_read));
}

TEST(DdsAdapter, RosTopicNamesMapToDdsTopics)
{
  EXPECT_EQ(tools::dds_topic("/camera/h26x"), "rt/camera/h26x");
  EXPECT_EQ(tools::dds_topic("camera/h26x"), "rt/camera/h26x");
  EXPECT_EQ(tools::dds_topic("/h26x_2"), "rt/h26x_2");
  EXPECT_EQ(tools::dds_topic("rt/camera/h26x"), "rt/camera/h26x");
  for (const char * bad : {"", "/", "/camera/", "//camera", "/camera//h26x", "/2camera", "/cam era", "/camera/-"}) {
    EXPECT_THROW(tools::dds_topic(bad), std::invalid_argument) << bad;
  }
}
}  // namespace
