// C++ user of the classes, the introspection tables and the class CDR support.
#include <iostream>
#include <vector>

#include "orvane_h26x_msgs/msg/compressed.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__rosidl_typesupport_introspection_cpp.hpp"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"

int main()
{
  orvane_h26x_msgs::msg::Compressed message;
  message.header.frame_id = "camera";
  message.images.resize(2);
  message.images[1].data = {0, 0, 0, 1, 0x65};

  const auto * members = static_cast<const rosidl_typesupport_introspection_cpp::MessageMembers *>(
    rosidl_typesupport_introspection_cpp::get_message_type_support_handle<orvane_h26x_msgs::msg::Compressed>()->data);
  const auto & images = members->members_[1];
  const size_t counted = images.size_function(reinterpret_cast<const char *>(&message) + images.offset_);

  std::vector<char> buffer(orvane_h26x_msgs::msg::typesupport_fastrtps_cpp::get_serialized_size(message, 0));
  eprosima::fastcdr::FastBuffer fast_buffer(buffer.data(), buffer.size());
  eprosima::fastcdr::Cdr writer(fast_buffer);
  orvane_h26x_msgs::msg::typesupport_fastrtps_cpp::cdr_serialize(message, writer);
  orvane_h26x_msgs::msg::Compressed back;
  eprosima::fastcdr::Cdr reader(fast_buffer);
  orvane_h26x_msgs::msg::typesupport_fastrtps_cpp::cdr_deserialize(reader, back);

  const bool ok = counted == 2 && back == message && std::string(members->message_name_) == "Compressed";
  std::cout << "class_user: " << members->member_count_ << " members, " << buffer.size() << " CDR bytes, "
            << (ok ? "round trip equal" : "MISMATCH") << "\n";
  return ok ? 0 : 1;
}
