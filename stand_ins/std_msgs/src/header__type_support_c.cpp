// Fast-CDR type support of the plain Header record: stamp, then frame_id.
#include <cstdio>
#include <string>

#include "builtin_interfaces/msg/detail/time__rosidl_typesupport_fastrtps_c.h"
#include "fastcdr/Cdr.h"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__struct.h"
#include "stand_in_type_support.hpp"

using eprosima::fastcdr::Cdr;

namespace
{
const message_type_support_callbacks_t * time_callbacks()
{
  return static_cast<const message_type_support_callbacks_t *>(
    rosidl_typesupport_fastrtps_c__get_message_type_support_handle__builtin_interfaces__msg__Time()->data);
}

bool serialize(const void * untyped, Cdr & cdr)
{
  if (!untyped) {
    fputs("ros message handle is null\n", stderr);
    return false;
  }
  const auto * msg = static_cast<const std_msgs__msg__Header *>(untyped);
  if (!time_callbacks()->cdr_serialize(&msg->stamp, cdr)) {
    return false;
  }
  const rosidl_runtime_c__String & s = msg->frame_id;
  if (s.capacity == 0 || s.capacity <= s.size) {
    fputs("string capacity not greater than size\n", stderr);
    return false;
  }
  if (s.data[s.size] != '\0') {
    fputs("string not null-terminated\n", stderr);
    return false;
  }
  cdr << s.data;
  return true;
}

bool deserialize(Cdr & cdr, void * untyped)
{
  if (!untyped) {
    fputs("ros message handle is null\n", stderr);
    return false;
  }
  auto * msg = static_cast<std_msgs__msg__Header *>(untyped);
  if (!time_callbacks()->cdr_deserialize(cdr, &msg->stamp)) {
    return false;
  }
  std::string text;
  cdr >> text;
  if (!msg->frame_id.data) {
    rosidl_runtime_c__String__init(&msg->frame_id);
  }
  if (!rosidl_runtime_c__String__assign(&msg->frame_id, text.c_str())) {
    fputs("failed to assign string into field 'frame_id'\n", stderr);
    return false;
  }
  return true;
}

const message_type_support_callbacks_t callbacks = {
  "std_msgs::msg", "Header", serialize, deserialize,
  stand_in::size_entry<get_serialized_size_std_msgs__msg__Header>,
  stand_in::max_size_entry<max_serialized_size_std_msgs__msg__Header>};
const stand_in::Handle handle(&callbacks, rosidl_typesupport_fastrtps_c__identifier);
}  // namespace

extern "C" size_t get_serialized_size_std_msgs__msg__Header(const void * untyped, size_t a)
{
  const auto * msg = static_cast<const std_msgs__msg__Header *>(untyped);
  size_t p = a;
  p += get_serialized_size_builtin_interfaces__msg__Time(&msg->stamp, p);
  p += Cdr::alignment(p, 4) + 4 + msg->frame_id.size + 1;
  return p - a;
}

extern "C" size_t max_serialized_size_std_msgs__msg__Header(bool & full_bounded, bool & is_plain, size_t a)
{
  bool stamp_bounded = false, stamp_plain = false;
  size_t p = a;
  p += max_serialized_size_builtin_interfaces__msg__Time(stamp_bounded, stamp_plain, p);
  // frame_id is an unbounded string: count its empty form and clear both flags.
  p += Cdr::alignment(p, 4) + 4 + 1;
  full_bounded = false;
  is_plain = false;
  return p - a;
}

extern "C" const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_c__get_message_type_support_handle__std_msgs__msg__Header()
{
  return &handle.handle;
}
