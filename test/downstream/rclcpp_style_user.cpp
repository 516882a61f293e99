// Uses the messages as rclcpp and rmw_fastrtps_cpp do, linked against the C++
// dispatch library only: the template getter gives the dispatch handle, the
// middleware asks it for "rosidl_typesupport_fastrtps_c", then for
// "rosidl_typesupport_fastrtps_cpp", and serializes through the callbacks it
// finds; a generic tool asks for "rosidl_typesupport_introspection_cpp".
//
// Usage: rclcpp_style_user            every lookup succeeds
//        rclcpp_style_user --missing  the package's libraries are not on the
//                                     library path: lookups give null
#include <dlfcn.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "fastcdr/Cdr.h"
#include "orvane_h26x_msgs/msg/compressed.hpp"
#include "orvane_h26x_msgs/msg/dual_compressed_image.hpp"
#include "orvane_h26x_msgs/msg/image.hpp"
#include "orvane_h26x_msgs/msg/multi_compressed.hpp"
#include "orvane_h26x_msgs/msg/multi_image.hpp"
#include "orvane_h26x_msgs/msg/original_image.hpp"
#include "rosidl_typesupport_cpp/message_type_support.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"

namespace
{
int failures = 0;

void check(bool ok, const std::string & what)
{
  if (!ok) {
    std::cerr << "FAILED: " << what << "\n";
    ++failures;
  }
}

// The concrete library's own handle, from its exported getter; the library
// must already be loaded (by the dispatch), so RTLD_NOLOAD.
const rosidl_message_type_support_t * concrete_handle(const std::string & kind, const std::string & type)
{
  void * library = dlopen(("liborvane_h26x_msgs__" + kind + ".so").c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!library) {
    return nullptr;
  }
  using Getter = const rosidl_message_type_support_t * (*)();
  auto getter = reinterpret_cast<Getter>(
    dlsym(library, (kind + "__get_message_type_support_handle__orvane_h26x_msgs__msg__" + type).c_str()));
  const rosidl_message_type_support_t * handle = getter ? getter() : nullptr;
  dlclose(library);
  return handle;
}

template<class Message>
void use(const char * type, Message message, bool missing)
{
  const rosidl_message_type_support_t * dispatch = rosidl_typesupport_cpp::get_message_type_support_handle<Message>();
  check(std::strcmp(dispatch->typesupport_identifier, "rosidl_typesupport_cpp") == 0, type);
  check(get_message_typesupport_handle(dispatch, "rosidl_typesupport_cpp") == dispatch, type);
  check(get_message_typesupport_handle(dispatch, "no_such_typesupport") == nullptr, type);

  // rmw_fastrtps_cpp's order: the C identifier first, then the C++ one.
  const rosidl_message_type_support_t * found = get_message_typesupport_handle(dispatch, "rosidl_typesupport_fastrtps_c");
  check(found == nullptr, std::string(type) + ": a C++ handle has no plain type support");
  found = get_message_typesupport_handle(dispatch, "rosidl_typesupport_fastrtps_cpp");
  const rosidl_message_type_support_t * introspection =
    get_message_typesupport_handle(dispatch, "rosidl_typesupport_introspection_cpp");
  if (missing) {
    check(found == nullptr && introspection == nullptr, std::string(type) + ": found without its library");
    return;
  }
  check(found && found == concrete_handle("rosidl_typesupport_fastrtps_cpp", type), type);
  check(introspection && introspection == concrete_handle("rosidl_typesupport_introspection_cpp", type), type);
  if (!found || !introspection) {
    return;
  }

  const auto * callbacks = static_cast<const message_type_support_callbacks_t *>(found->data);
  check(std::strcmp(callbacks->message_name_, type) == 0, type);
  std::vector<char> buffer(callbacks->get_serialized_size(&message));
  eprosima::fastcdr::FastBuffer fast_buffer(buffer.data(), buffer.size());
  eprosima::fastcdr::Cdr writer(fast_buffer, eprosima::fastcdr::Cdr::DEFAULT_ENDIAN, eprosima::fastcdr::Cdr::DDS_CDR);
  check(callbacks->cdr_serialize(&message, writer) && writer.getSerializedDataLength() == buffer.size(), type);
  Message back;
  eprosima::fastcdr::Cdr reader(fast_buffer, eprosima::fastcdr::Cdr::DEFAULT_ENDIAN, eprosima::fastcdr::Cdr::DDS_CDR);
  check(callbacks->cdr_deserialize(reader, &back) && back == message, std::string(type) + ": round trip");

  // A generic tool's walk: every member's name, and the sequences' sizes.
  const auto * members = static_cast<const rosidl_typesupport_introspection_cpp::MessageMembers *>(introspection->data);
  check(std::strcmp(members->message_name_, type) == 0 && members->size_of_ == sizeof(Message), type);
  std::size_t elements = 0;
  for (uint32_t i = 0; i < members->member_count_; ++i) {
    const auto & member = members->members_[i];
    if (member.is_array_) {
      elements += member.size_function(reinterpret_cast<const char *>(&message) + member.offset_);
    }
  }
  std::cout << type << ": " << buffer.size() << " CDR bytes, " << members->member_count_ << " members, "
            << elements << " sequence elements\n";
}
}  // namespace

int main(int argc, char ** argv)
{
  const bool missing = argc > 1 && std::string(argv[1]) == "--missing";
  using namespace orvane_h26x_msgs::msg;
  Image image;
  image.header.frame_id = "camera";
  image.encoding = "h264";
  image.data = {0, 0, 0, 1, 0x65, 0x88};
  Compressed compressed;
  compressed.images = {image, image};
  DualCompressedImage dual;
  dual.format = "h265";
  dual.data2 = {1, 2, 3};
  OriginalImage original;
  original.topic_name = {"/left", "/right"};
  original.is_valid = {1, 0};
  MultiImage multi;
  multi.header.resize(2);
  multi.is_vaild = {1};
  MultiCompressed multi_compressed;
  multi_compressed.h26x_images = {multi};
  multi_compressed.original_images = {original};

  use("Image", image, missing);
  use("Compressed", compressed, missing);
  use("DualCompressedImage", dual, missing);
  use("OriginalImage", original, missing);
  use("MultiImage", multi, missing);
  use("MultiCompressed", multi_compressed, missing);
  std::cout << "rclcpp_style_user" << (missing ? " --missing" : "") << ": "
            << (failures ? "FAILED" : "every lookup as expected") << "\n";
  return failures ? 1 : 0;
}
