// Fast-CDR type support of the Header class; same bytes as the plain record's.
#include "builtin_interfaces/msg/detail/time__rosidl_typesupport_fastrtps_cpp.hpp"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support_decl.hpp"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_cpp.hpp"
#include "stand_in_type_support.hpp"

using eprosima::fastcdr::Cdr;

namespace std_msgs::msg::typesupport_fastrtps_cpp
{
bool cdr_serialize(const Header & msg, Cdr & cdr)
{
  builtin_interfaces::msg::typesupport_fastrtps_cpp::cdr_serialize(msg.stamp, cdr);
  cdr << msg.frame_id;
  return true;
}

bool cdr_deserialize(Cdr & cdr, Header & msg)
{
  builtin_interfaces::msg::typesupport_fastrtps_cpp::cdr_deserialize(cdr, msg.stamp);
  cdr >> msg.frame_id;
  return true;
}

size_t get_serialized_size(const Header & msg, size_t a)
{
  size_t p = a;
  p += builtin_interfaces::msg::typesupport_fastrtps_cpp::get_serialized_size(msg.stamp, p);
  p += Cdr::alignment(p, 4) + 4 + msg.frame_id.size() + 1;
  return p - a;
}

size_t max_serialized_size_Header(bool & full_bounded, bool & is_plain, size_t a)
{
  bool stamp_bounded = false, stamp_plain = false;
  size_t p = a;
  p += builtin_interfaces::msg::typesupport_fastrtps_cpp::max_serialized_size_Time(stamp_bounded, stamp_plain, p);
  p += Cdr::alignment(p, 4) + 4 + 1;
  full_bounded = false;
  is_plain = false;
  return p - a;
}
}  // namespace std_msgs::msg::typesupport_fastrtps_cpp

namespace
{
namespace ts = std_msgs::msg::typesupport_fastrtps_cpp;

bool serialize(const void * m, Cdr & cdr) {return ts::cdr_serialize(*static_cast<const std_msgs::msg::Header *>(m), cdr);}
bool deserialize(Cdr & cdr, void * m) {return ts::cdr_deserialize(cdr, *static_cast<std_msgs::msg::Header *>(m));}
const message_type_support_callbacks_t callbacks = {
  "std_msgs::msg", "Header", serialize, deserialize,
  stand_in::size_entry<ts::get_serialized_size>, stand_in::max_size_entry<ts::max_serialized_size_Header>};
const stand_in::Handle handle(&callbacks, rosidl_typesupport_fastrtps_cpp::typesupport_identifier);
}  // namespace

namespace rosidl_typesupport_fastrtps_cpp
{
template<>
const rosidl_message_type_support_t * get_message_type_support_handle<std_msgs::msg::Header>()
{
  return &handle.handle;
}
}  // namespace rosidl_typesupport_fastrtps_cpp

extern "C" const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__std_msgs__msg__Header()
{
  return &handle.handle;
}
