// Fast-CDR type support of the Time class; same bytes as the plain record's.
#include "builtin_interfaces/msg/detail/time__rosidl_typesupport_fastrtps_cpp.hpp"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support_decl.hpp"
#include "stand_in_type_support.hpp"

using eprosima::fastcdr::Cdr;
using builtin_interfaces::msg::Time;

namespace builtin_interfaces::msg::typesupport_fastrtps_cpp
{
bool cdr_serialize(const Time & msg, Cdr & cdr)
{
  cdr << msg.sec << msg.nanosec;
  return true;
}

bool cdr_deserialize(Cdr & cdr, Time & msg)
{
  cdr >> msg.sec >> msg.nanosec;
  return true;
}

size_t get_serialized_size(const Time &, size_t a)
{
  size_t p = a;
  p += Cdr::alignment(p, 4) + 4;
  p += Cdr::alignment(p, 4) + 4;
  return p - a;
}

size_t max_serialized_size_Time(bool & full_bounded, bool & is_plain, size_t a)
{
  full_bounded = true;
  is_plain = true;
  return get_serialized_size(Time(), a);
}
}  // namespace builtin_interfaces::msg::typesupport_fastrtps_cpp

namespace
{
namespace ts = builtin_interfaces::msg::typesupport_fastrtps_cpp;

bool serialize(const void * m, Cdr & cdr) {return ts::cdr_serialize(*static_cast<const Time *>(m), cdr);}
bool deserialize(Cdr & cdr, void * m) {return ts::cdr_deserialize(cdr, *static_cast<Time *>(m));}

const message_type_support_callbacks_t callbacks = {
  "builtin_interfaces::msg", "Time", serialize, deserialize,
  stand_in::size_entry<ts::get_serialized_size>, stand_in::max_size_entry<ts::max_serialized_size_Time>};
const stand_in::Handle handle(&callbacks, rosidl_typesupport_fastrtps_cpp::typesupport_identifier);
}  // namespace

namespace rosidl_typesupport_fastrtps_cpp
{
template<>
const rosidl_message_type_support_t * get_message_type_support_handle<Time>()
{
  return &handle.handle;
}
}  // namespace rosidl_typesupport_fastrtps_cpp

extern "C" const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__builtin_interfaces__msg__Time()
{
  return &handle.handle;
}
