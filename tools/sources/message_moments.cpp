#include "sources/message_moments.hpp"

#include <memory>

#include "dds/pass_through_type.hpp"
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

const char * const kTypeNames[] = {
  "orvane_h26x_msgs/msg/Image", "orvane_h26x_msgs/msg/Compressed", "orvane_h26x_msgs/msg/DualCompressedImage",
  "orvane_h26x_msgs/msg/OriginalImage", "orvane_h26x_msgs/msg/MultiImage", "orvane_h26x_msgs/msg/MultiCompressed"};

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
  unit.count = image.count;
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
    case MessageType::MULTI_COMPRESSED: break;
  }
  return body(static_cast<msg::MultiCompressed *>(nullptr));
}
}  // namespace

std::optional<MessageType> message_type(const std::string & ros_type)
{
  for (int k = 0; k < 6; ++k) {
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
             return rosidl_typesupport_cpp::get_message_type_support_handle<std::remove_pointer_t<decltype(tag)>>();
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
  static const message_type_support_callbacks_t * const all[] = {
    callbacks_of(MessageType::IMAGE), callbacks_of(MessageType::COMPRESSED),
    callbacks_of(MessageType::DUAL_COMPRESSED_IMAGE), callbacks_of(MessageType::ORIGINAL_IMAGE),
    callbacks_of(MessageType::MULTI_IMAGE), callbacks_of(MessageType::MULTI_COMPRESSED)};
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
