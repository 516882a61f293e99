#ifndef ORVANE_H26X_MSGS_TOOLS__FOREIGN__FOREIGN_TYPES_HPP_
#define ORVANE_H26X_MSGS_TOOLS__FOREIGN__FOREIGN_TYPES_HPP_

// The foreign messages of foreign_fields.h as C++ structures with Fast-CDR
// type supports registered under their ROS 2 names
// ("sensor_msgs::msg::dds_::Image_", ...), so that a Session speaks them as
// it speaks this package's messages. Only the tools use them; a ROS 2
// workspace has the real packages.

#include <cstdint>
#include <string>
#include <vector>

#include "builtin_interfaces/msg/time.hpp"
#include "dds/handle_topic_type.hpp"
#include "foreign/foreign_fields.h"
#include "orvane_h26x_msgs/msg/detail/field_list.hpp"
#include "std_msgs/msg/header.hpp"

namespace foreign
{

struct SensorImage
{
  std_msgs::msg::Header header;
  uint32_t height = 0;
  uint32_t width = 0;
  std::string encoding;
  uint8_t is_bigendian = 0;
  uint32_t step = 0;
  std::vector<uint8_t> data;
};

struct CompressedVideo
{
  builtin_interfaces::msg::Time timestamp;
  std::string frame_id;
  std::vector<uint8_t> data;
  std::string format;
};

// The message's Fast-CDR type-support handle (identifier
// rosidl_typesupport_fastrtps_cpp), and how to make one.
template<class Message>
const rosidl_message_type_support_t * type_support();
template<class Message>
orvane_dds::MessageFactory factory()
{
  return {[] {return static_cast<void *>(new Message());}, [](void * m) {delete static_cast<Message *>(m);}};
}

}  // namespace foreign

namespace orvane_h26x_msgs::msg::detail
{
template<>
struct FieldList<foreign::SensorImage>
{
  ORVANE_H26X_MSGS__FIELD_LIST_BODY_FROM(Image, sensor_msgs__msg__Image__FIELDS)
};
template<>
struct FieldList<foreign::CompressedVideo>
{
  ORVANE_H26X_MSGS__FIELD_LIST_BODY_FROM(CompressedVideo, foxglove_msgs__msg__CompressedVideo__FIELDS)
};
}  // namespace orvane_h26x_msgs::msg::detail

#endif  // ORVANE_H26X_MSGS_TOOLS__FOREIGN__FOREIGN_TYPES_HPP_
