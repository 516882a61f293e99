// Fast-CDR type support of the Time class; same bytes as the plain record's.
#include "builtin_interfaces/msg/detail/time__rosidl_typesupport_fastrtps_cpp.hpp"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support_decl.hpp"

using eprosima::fastcdr::Cdr;

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

bool serialize(const void * m, Cdr & cdr) {return ts::cdr_serialize(*static_cast<const builtin_interfaces::msg::Time *>(m), cdr);}
bool deserialize(Cdr & cdr, void * m) {return ts::cdr_deserialize(cdr, *static_cast<builtin_interfaces::msg::Time *>(m));}
uint32_t size_entry(const void * m)
{
  return static_cast<uint32_t>(ts::get_serialized_size(*static_cast<const builtin_interfaces::msg::Time *>(m), 0));
}
size_t max_size_entry(char & bounds)
{
  bool bounded = false, plain = false;
  size_t size = ts::max_serialized_size_Time(bounded, plain, 0);
  bounds = plain ? ROSIDL_TYPESUPPORT_FASTRTPS_PLAIN_TYPE :
    bounded ? ROSIDL_TYPESUPPORT_FASTRTPS_BOUNDED_TYPE : ROSIDL_TYPESUPPORT_FASTRTPS_UNBOUNDED_TYPE;
  return size;
}

const message_type_support_callbacks_t callbacks = {
  "builtin_interfaces::msg", "Time", serialize, deserialize, size_entry, max_size_entry};
rosidl_message_type_support_t handle = {nullptr, &callbacks, get_message_typesupport_handle_function};
const bool identifier_bound = (handle.typesupport_identifier = rosidl_typesupport_fastrtps_cpp::typesupport_identifier, true);
}  // namespace

namespace rosidl_typesupport_fastrtps_cpp
{
template<>
const rosidl_message_type_support_t * get_message_type_support_handle<builtin_interfaces::msg::Time>()
{
  (void)identifier_bound;
  return &handle;
}
}  // namespace rosidl_typesupport_fastrtps_cpp

extern "C" const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__builtin_interfaces__msg__Time()
{
  return &handle;
}
