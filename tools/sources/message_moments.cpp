#include "sources/message_moments.hpp"

#include <memory>
#include <type_traits>

#include "dds/pass_through_type.hpp"
#include "foreign/foreign_types.hpp"
#include "orvane_h26x_msgs/msg/compressed.hpp"
#include "orvane_h26x_msgs/msg/dual_compressed_image.hpp"
#include "orvane_h26x_msgs/msg/image.hpp"
#include "orvane_h26x_msgs/msg/multi_compressed.hpp"
#include "orvane_h26x_msgs/msg/multi_image.hpp"
#include "orvane_h26x_msgs/msg/original_image.hpp"
#include "rosidl_typesupport_cpp/message_type_support.hpp"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace sources
{
namespace
{
namespace msg = orvane_h26x_msgs::msg;

// In the order of MessageType.
const char * const kTypeNames[] = {
  "orvane_h26x_msgs/msg/Image", "orvane_h26x_msgs/msg/Compressed", "orvane_h26x_msgs/msg/DualCompressedImage",
  "orvane_h26x_msgs/msg/OriginalImage", "orvane_h26x_msgs/msg/MultiImage", "orvane_h26x_msgs/msg/MultiCompressed",
  "sensor_msgs/msg/Image", "foxglove_msgs/msg/CompressedVideo"};
constexpr int kTypes = sizeof(kTypeNames) / sizeof(kTypeNames[0]);

bool first_set(const std::vector<uint8_t> & flags)
{
  return !flags.empty() && flags[0];
}

template<class ImageLike>
stream::Unit take_unit(ImageLike & image, bool present)
{
  stream::Unit unit;
  unit.encoding = std::move(image.encoding);
  unit.width = image.width;
  unit.height = image.height;
  unit.step = image.step;
  if constexpr (!std::is_same_v<ImageLike, foreign::SensorImage>) {
    unit.count = image.count;
  } else {
    unit.big_endian = image.is_bigendian != 0;
  }
  unit.present = present;
  unit.data = std::move(image.data);
  return unit;
}

stream::Unit bytes_unit(const std::string & encoding, std::vector<uint8_t> & data)
{
  stream::Unit unit;
  unit.encoding = encoding;
  unit.data = std::move(data);
  return unit;
}

void take_header(std_msgs::msg::Header & header, stream::Moment & moment)
{
  moment.stamp_ns = stream::stamp_ns(header.stamp.sec, header.stamp.nanosec);
  moment.frame_id = std::move(header.frame_id);
  moment.end_of_stream = moment.frame_id == stream::kEndOfStream;
}

void take(msg::Image & message, stream::Moment & moment)
{
  take_header(message.header, moment);
  moment.units.push_back(take_unit(message, true));
}

void take(msg::Compressed & message, stream::Moment & moment)
{
  take_header(message.header, moment);
  for (auto & image : message.images) {
    moment.units.push_back(take_unit(image, true));
  }
}

void take(msg::DualCompressedImage & message, stream::Moment & moment)
{
  take_header(message.header, moment);
  moment.units.push_back(bytes_unit(message.format, message.data1));
  moment.units.push_back(bytes_unit(message.format, message.data2));
  moment.originals.push_back(bytes_unit("", message.origin));
}

void take(msg::OriginalImage & message, stream::Moment & moment)
{
  moment.units.push_back(take_unit(message, first_set(message.is_valid)));
}

void take(msg::MultiImage & message, stream::Moment & moment)
{
  if (!message.header.empty()) {
    take_header(message.header[0], moment);
  }
  moment.units.push_back(take_unit(message, first_set(message.is_vaild)));
}

void take(msg::MultiCompressed & message, stream::Moment & moment)
{
  take_header(message.header, moment);
  for (auto & image : message.h26x_images) {
    moment.units.push_back(take_unit(image, first_set(image.is_vaild)));
  }
  for (auto & original : message.original_images) {
    moment.originals.push_back(take_unit(original, first_set(original.is_valid)));
  }
}

void take(foreign::SensorImage & message, stream::Moment & moment)
{
  take_header(message.header, moment);
  moment.units.push_back(take_unit(message, true));
}

void take(foreign::CompressedVideo & message, stream::Moment & moment)
{
  moment.stamp_ns = stream::stamp_ns(message.timestamp.sec, message.timestamp.nanosec);
  moment.frame_id = std::move(message.frame_id);
  moment.units.push_back(bytes_unit(message.format, message.data));
}

// Calls `body` with the message type's class.
template<class Body>
auto with_class(MessageType type, Body body)
{
  switch (type) {
    case MessageType::IMAGE: return body(static_cast<msg::Image *>(nullptr));
    case MessageType::COMPRESSED: return body(static_cast<msg::Compressed *>(nullptr));
    case MessageType::DUAL_COMPRESSED_IMAGE: return body(static_cast<msg::DualCompressedImage *>(nullptr));
    case MessageType::ORIGINAL_IMAGE: return body(static_cast<msg::OriginalImage *>(nullptr));
    case MessageType::MULTI_IMAGE: return body(static_cast<msg::MultiImage *>(nullptr));
    case MessageType::SENSOR_IMAGE: return body(static_cast<foreign::SensorImage *>(nullptr));
    case MessageType::COMPRESSED_VIDEO: return body(static_cast<foreign::CompressedVideo *>(nullptr));
    case MessageType::MULTI_COMPRESSED: break;
  }
  return body(static_cast<msg::MultiCompressed *>(nullptr));
}
}  // namespace

std::optional<MessageType> message_type(const std::string & ros_type)
{
  for (int k = 0; k < kTypes; ++k) {
    if (ros_type == kTypeNames[k]) {
      return static_cast<MessageType>(k);
    }
  }
  return std::nullopt;
}

std::string ros_type(MessageType type)
{
  return kTypeNames[static_cast<int>(type)];
}

const rosidl_message_type_support_t * type_support(MessageType type)
{
  return with_class(type, [](auto * tag) {
             using Class = std::remove_pointer_t<decltype(tag)>;
             if constexpr (std::is_same_v<Class, foreign::SensorImage> || std::is_same_v<Class, foreign::CompressedVideo>) {
               return foreign::type_support<Class>();
             } else {
               return rosidl_typesupport_cpp::get_message_type_support_handle<Class>();
             }
           });
}

orvane_dds::MessageFactory message_factory(MessageType type)
{
  return with_class(type, [](auto * tag) {
             using Class = std::remove_pointer_t<decltype(tag)>;
             return orvane_dds::MessageFactory{[] {return static_cast<void *>(new Class());},
               [](void * m) {delete static_cast<Class *>(m);}};
           });
}

void take_message(MessageType type, void * message, stream::Moment & moment)
{
  moment.units.clear();
  moment.originals.clear();
  moment.stamp_ns = 0;
  moment.frame_id.clear();
  moment.end_of_stream = false;
  moment.type = ros_type(type);
  with_class(type, [&](auto * tag) {
      take(*static_cast<decltype(tag)>(message), moment);
    });
}

bool decode_moment(MessageType type, const std::vector<uint8_t> & cdr, stream::Moment & moment)
{
  // Found once per type: the lookup goes through the dispatch's libraries.
  // The classes' own Fast-CDR type support, asked for by name.
  static const auto callbacks_of = [](MessageType of) {
      return static_cast<const message_type_support_callbacks_t *>(get_message_typesupport_handle(
               type_support(of), rosidl_typesupport_fastrtps_cpp::typesupport_identifier)->data);
    };
  static const std::vector<const message_type_support_callbacks_t *> all = [] {
      std::vector<const message_type_support_callbacks_t *> found;
      for (int k = 0; k < kTypes; ++k) {
        found.push_back(callbacks_of(static_cast<MessageType>(k)));
      }
      return found;
    }();
  const message_type_support_callbacks_t * callbacks = all[static_cast<int>(type)];
  return with_class(type, [&](auto * tag) {
             using Class = std::remove_pointer_t<decltype(tag)>;
             Class message;
             if (!orvane_dds::decode_cdr(*callbacks, cdr.data(), cdr.size(), &message)) {
               return false;
             }
             take_message(type, &message, moment);
             return true;
           });
}

}  // namespace sources
