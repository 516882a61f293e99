// The plain CDR type support is reached through its handle, as middleware does.
#include <vector>

#include "fastcdr/Cdr.h"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/multi_compressed.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

extern "C" size_t serialized_size_through_plain_cdr(const orvane_h26x_msgs__msg__MultiCompressed * message)
{
  const auto * callbacks = static_cast<const message_type_support_callbacks_t *>(
    rosidl_typesupport_fastrtps_c__get_message_type_support_handle__orvane_h26x_msgs__msg__MultiCompressed()->data);
  std::vector<char> buffer(callbacks->get_serialized_size(message));
  eprosima::fastcdr::FastBuffer fast_buffer(buffer.data(), buffer.size());
  eprosima::fastcdr::Cdr cdr(fast_buffer);
  if (!callbacks->cdr_serialize(message, cdr) || cdr.getSerializedDataLength() != buffer.size()) {
    return 0;
  }
  return buffer.size();
}
