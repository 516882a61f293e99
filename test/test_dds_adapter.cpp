// The Fast DDS adapter's names: the DDS type name of every message, as every
// ROS 2 node on Fast DDS registers it, and ROS topic names on DDS.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "dds/handle_topic_type.hpp"
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
