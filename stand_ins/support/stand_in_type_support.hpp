#ifndef STAND_IN_TYPE_SUPPORT_HPP_
#define STAND_IN_TYPE_SUPPORT_HPP_

// What the stand-ins' hand-written Fast-CDR type supports share: the
// callbacks record's size entries and the load-time identifier binding.

#include <cstddef>
#include <cstdint>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace stand_in
{
template<class Message>
std::size_t size_at_zero(std::size_t (* size)(const Message &, std::size_t), const void * message)
{
  return size(*static_cast<const Message *>(message), 0);
}

inline std::size_t size_at_zero(std::size_t (* size)(const void *, std::size_t), const void * message)
{
  return size(message, 0);
}

// Exact size at alignment 0, as the record's 32-bit entry.
template<auto Size>
uint32_t size_entry(const void * message)
{
  return static_cast<uint32_t>(size_at_zero(Size, message));
}

template<std::size_t (* MaxSize)(bool &, bool &, std::size_t)>
std::size_t max_size_entry(char & bounds)
{
  bool bounded = false, plain = false;
  const std::size_t size = MaxSize(bounded, plain, 0);
  bounds = plain ? ROSIDL_TYPESUPPORT_FASTRTPS_PLAIN_TYPE :
    bounded ? ROSIDL_TYPESUPPORT_FASTRTPS_BOUNDED_TYPE : ROSIDL_TYPESUPPORT_FASTRTPS_UNBOUNDED_TYPE;
  return size;
}

// A handle whose identifier is copied in when the library loads.
struct Handle
{
  Handle(const message_type_support_callbacks_t * callbacks, const char * const & identifier)
  : handle{identifier, callbacks, get_message_typesupport_handle_function} {}
  rosidl_message_type_support_t handle;
};
}  // namespace stand_in

#endif  // STAND_IN_TYPE_SUPPORT_HPP_
