#ifndef ORVANE_H26X_MSGS_TOOLS__BAG__MESSAGE_DEFINITIONS_HPP_
#define ORVANE_H26X_MSGS_TOOLS__BAG__MESSAGE_DEFINITIONS_HPP_

// The schema a bag stores for a type, as rosbag2 writes it (encoding
// ros2msg): the type's .msg text, then every type it depends on, each after
// a line of 80 '=' and "MSG: package/Type". Definitions are found as rosbag2
// finds them, share/<package>/msg/<Type>.msg under AMENT_PREFIX_PATH, else
// among the ones built in (this package's messages, std_msgs/Header and
// builtin_interfaces/Time).

#include <optional>
#include <string>

namespace bag
{

// `type` as "package/msg/Type"; none when a definition is not found.
std::optional<std::string> ros2msg_schema(const std::string & type);

// "package/msg/Type" as the DDS type name ROS 2 registers:
// "package::msg::dds_::Type_"; and back (empty when it is not one).
std::string dds_type_name(const std::string & type);
std::string ros_type_name(const std::string & dds_type);

}  // namespace bag

#endif  // ORVANE_H26X_MSGS_TOOLS__BAG__MESSAGE_DEFINITIONS_HPP_
