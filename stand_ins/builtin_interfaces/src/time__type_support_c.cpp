// Fast-CDR type support of the plain Time record: sec (int32), nanosec (uint32).
#include "builtin_interfaces/msg/detail/time__rosidl_typesupport_fastrtps_c.h"
#include "builtin_interfaces/msg/detail/time__struct.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "stand_in_type_support.hpp"

using eprosima::fastcdr::Cdr;

namespace
{
bool serialize(const void * untyped, Cdr & cdr)
{
  const auto * msg = static_cast<const builtin_interfaces__msg__Time *>(untyped);
  cdr << msg->sec << msg->nanosec;
  return true;
}

bool deserialize(Cdr & cdr, void * untyped)
{
  auto * msg = static_cast<builtin_interfaces__msg__Time *>(untyped);
  cdr >> msg->sec >> msg->nanosec;
  return true;
}

size_t fixed_size(size_t a)
{
  size_t p = a;
  p += Cdr::alignment(p, 4) + 4;
  p += Cdr::alignment(p, 4) + 4;
  return p - a;
}

const message_type_support_callbacks_t callbacks = {
  "builtin_interfaces::msg", "Time", serialize, deserialize,
  stand_in::size_entry<get_serialized_size_builtin_interfaces__msg__Time>,
  stand_in::max_size_entry<max_serialized_size_builtin_interfaces__msg__Time>};
const stand_in::Handle handle(&callbacks, rosidl_typesupport_fastrtps_c__identifier);
}  // namespace

extern "C" size_t get_serialized_size_builtin_interfaces__msg__Time(const void *, size_t a)
{
  return fixed_size(a);
}

extern "C" size_t max_serialized_size_builtin_interfaces__msg__Time(bool & full_bounded, bool & is_plain, size_t a)
{
  full_bounded = true;
  is_plain = true;
  return fixed_size(a);
}

extern "C" const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_c__get_message_type_support_handle__builtin_interfaces__msg__Time()
{
  return &handle.handle;
}
