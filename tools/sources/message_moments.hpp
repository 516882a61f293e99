#ifndef ORVANE_H26X_MSGS_TOOLS__SOURCES__MESSAGE_MOMENTS_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SOURCES__MESSAGE_MOMENTS_HPP_

// The package's six messages, and the foreign sensor_msgs/Image and
// foxglove_msgs/CompressedVideo, as moments: their images become units (a
// MultiCompressed's originals, a DualCompressedImage's origin become
// originals), their header the stamp and frame_id. One place for every
// reader: a topic, a bag.

#include <optional>
#include <string>
#include <vector>

#include "dds/handle_topic_type.hpp"
#include "stream/moment.hpp"

namespace sources
{

enum class MessageType
{
  IMAGE, COMPRESSED, DUAL_COMPRESSED_IMAGE, ORIGINAL_IMAGE, MULTI_IMAGE, MULTI_COMPRESSED,
  SENSOR_IMAGE, COMPRESSED_VIDEO,
};

// "orvane_h26x_msgs/msg/Compressed", "sensor_msgs/msg/Image" and so on; none
// for other types.
std::optional<MessageType> message_type(const std::string & ros_type);
std::string ros_type(MessageType type);
// Compressed, MultiCompressed, DualCompressedImage and CompressedVideo carry
// H.264 / H.265.
inline bool carries_video(MessageType type)
{
  return type == MessageType::COMPRESSED || type == MessageType::MULTI_COMPRESSED ||
         type == MessageType::DUAL_COMPRESSED_IMAGE || type == MessageType::COMPRESSED_VIDEO;
}

// This package's messages end a stream with the end-of-stream marker; the
// foreign ones have none.
inline bool sends_marker(MessageType type)
{
  return type != MessageType::SENSOR_IMAGE && type != MessageType::COMPRESSED_VIDEO;
}

// The C++ class's dispatch handle (a foreign type's Fast-CDR one), and how
// to make and free one.
const rosidl_message_type_support_t * type_support(MessageType type);
orvane_dds::MessageFactory message_factory(MessageType type);

// Moves the message's contents into `moment` (whose other fields it resets).
void take_message(MessageType type, void * message, stream::Moment & moment);

// Decodes a message's CDR bytes into `moment`; false when they do not decode.
bool decode_moment(MessageType type, const std::vector<uint8_t> & cdr, stream::Moment & moment);

}  // namespace sources

#endif  // ORVANE_H26X_MSGS_TOOLS__SOURCES__MESSAGE_MOMENTS_HPP_
