#include "foreign/foreign_types.hpp"

#include "class_cdr.hpp"

namespace foreign
{
namespace
{
namespace generic = orvane_h26x_msgs::msg::detail;

// The callbacks record of Message: the generic walks over its field list.
// As with this package's classes, a failure (short input, a lying count)
// leaves as a Fast-CDR exception, which the topic types catch.
template<class Message>
struct Callbacks
{
  static bool serialize(const void * message, eprosima::fastcdr::Cdr & cdr)
  {
    return generic::class_serialize(*static_cast<const Message *>(message), cdr);
  }
  static bool deserialize(eprosima::fastcdr::Cdr & cdr, void * message)
  {
    return generic::class_deserialize(cdr, *static_cast<Message *>(message));
  }
  static uint32_t size(const void * message)
  {
    return generic::saturated_size(
      generic::serialized_size<generic::ClassNested>(*static_cast<const Message *>(message), 0));
  }
  static size_t max_size(char & bounds)
  {
    bool full_bounded = false, is_plain = false;
    const size_t size = generic::max_serialized_size<generic::ClassNested, Message>(full_bounded, is_plain, 0);
    bounds = generic::bounds_code(full_bounded, is_plain);
    return size;
  }
};

template<class Message>
const rosidl_message_type_support_t * make_handle(const char * package_namespace, const char * name)
{
  static const message_type_support_callbacks_t callbacks = {
    package_namespace, name, Callbacks<Message>::serialize, Callbacks<Message>::deserialize,
    Callbacks<Message>::size, Callbacks<Message>::max_size};
  static const rosidl_message_type_support_t handle = {
    rosidl_typesupport_fastrtps_cpp::typesupport_identifier, &callbacks, get_message_typesupport_handle_function};
  return &handle;
}
}  // namespace

template<>
const rosidl_message_type_support_t * type_support<SensorImage>()
{
  return make_handle<SensorImage>("sensor_msgs::msg", "Image");
}

template<>
const rosidl_message_type_support_t * type_support<CompressedVideo>()
{
  return make_handle<CompressedVideo>("foxglove_msgs::msg", "CompressedVideo");
}

}  // namespace foreign
