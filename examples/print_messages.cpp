// Creates each message through the C API, copies it, writes it with the plain
// Fast-CDR type support, reads the bytes back into the C++ class through the
// class type support, and prints the result. Exits non-zero on any mismatch.

#include <cstdio>
#include <cstring>
#include <iostream>
#include <vector>

#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "std_msgs/msg/header.h"
#include "orvane_h26x_msgs/msg/compressed.h"
#include "orvane_h26x_msgs/msg/compressed.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/detail/compressed__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/image__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/detail/image__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_image__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/detail/multi_image__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/original_image__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/detail/original_image__rosidl_typesupport_fastrtps_cpp.hpp"
#include "orvane_h26x_msgs/msg/dual_compressed_image.h"
#include "orvane_h26x_msgs/msg/dual_compressed_image.hpp"
#include "orvane_h26x_msgs/msg/image.h"
#include "orvane_h26x_msgs/msg/image.hpp"
#include "orvane_h26x_msgs/msg/multi_compressed.h"
#include "orvane_h26x_msgs/msg/multi_compressed.hpp"
#include "orvane_h26x_msgs/msg/multi_image.h"
#include "orvane_h26x_msgs/msg/multi_image.hpp"
#include "orvane_h26x_msgs/msg/original_image.h"
#include "orvane_h26x_msgs/msg/original_image.hpp"

namespace
{

void fill_bytes(rosidl_runtime_c__uint8__Sequence & bytes, size_t count, uint8_t first)
{
  rosidl_runtime_c__uint8__Sequence__fini(&bytes);
  rosidl_runtime_c__uint8__Sequence__init(&bytes, count);
  for (size_t i = 0; i < count; ++i) {
    bytes.data[i] = static_cast<uint8_t>(first + i);
  }
}

void fill_header(std_msgs__msg__Header & header, int32_t sec, const char * frame)
{
  header.stamp.sec = sec;
  header.stamp.nanosec = 500;
  rosidl_runtime_c__String__assign(&header.frame_id, frame);
}

void fill(orvane_h26x_msgs__msg__Image & image, uint64_t index = 0)
{
  fill_header(image.header, 1700000000, "camera_front");
  image.count = index;
  image.height = 2;
  image.width = 3;
  image.step = 3;
  rosidl_runtime_c__String__assign(&image.encoding, "h264");
  fill_bytes(image.data, 6, 0x10);
}

void fill(orvane_h26x_msgs__msg__Compressed & compressed)
{
  fill_header(compressed.header, 1700000001, "encoder");
  orvane_h26x_msgs__msg__Image__Sequence__init(&compressed.images, 2);
  fill(compressed.images.data[0], 0);
  fill(compressed.images.data[1], 1);
}

void fill(orvane_h26x_msgs__msg__DualCompressedImage & dual)
{
  fill_header(dual.header, 1700000002, "dual");
  rosidl_runtime_c__String__assign(&dual.format, "h265");
  fill_bytes(dual.origin, 4, 0x20);
  fill_bytes(dual.data1, 3, 0x30);
  fill_bytes(dual.data2, 2, 0x40);
}

void fill(orvane_h26x_msgs__msg__OriginalImage & original)
{
  rosidl_runtime_c__String__Sequence__init(&original.topic_name, 1);
  rosidl_runtime_c__String__assign(&original.topic_name.data[0], "/camera/raw");
  fill_bytes(original.is_valid, 1, 1);
  original.count = 7;
  original.height = 2;
  original.width = 3;
  original.step = 9;
  rosidl_runtime_c__String__assign(&original.encoding, "rgb8");
  fill_bytes(original.data, 18, 0x50);
}

void fill(orvane_h26x_msgs__msg__MultiImage & multi)
{
  std_msgs__msg__Header__Sequence__init(&multi.header, 2);
  fill_header(multi.header.data[0], 1700000003, "left");
  fill_header(multi.header.data[1], 1700000003, "right");
  rosidl_runtime_c__String__Sequence__init(&multi.topic_name, 2);
  rosidl_runtime_c__String__assign(&multi.topic_name.data[0], "/left/h264");
  rosidl_runtime_c__String__assign(&multi.topic_name.data[1], "/right/h264");
  fill_bytes(multi.is_vaild, 2, 1);
  multi.count = 3;
  rosidl_runtime_c__String__assign(&multi.encoding, "h264");
  fill_bytes(multi.data, 5, 0x60);
}

void fill(orvane_h26x_msgs__msg__MultiCompressed & multi)
{
  fill_header(multi.header, 1700000004, "rig");
  orvane_h26x_msgs__msg__MultiImage__Sequence__init(&multi.h26x_images, 1);
  fill(multi.h26x_images.data[0]);
  orvane_h26x_msgs__msg__OriginalImage__Sequence__init(&multi.original_images, 1);
  fill(multi.original_images.data[0]);
}

// One message's whole road: C record -> copy -> plain CDR -> C++ class.
template<class Record, class Class, class Functions>
bool show(const char * name, Functions functions)
{
  Record * original = functions.create();
  Record * copy = functions.create();
  if (!original || !copy) {
    std::cerr << name << ": out of memory\n";
    return false;
  }
  fill(*original);
  bool ok = functions.copy(original, copy) && functions.are_equal(original, copy);

  const auto * plain = static_cast<const message_type_support_callbacks_t *>(functions.plain_handle()->data);
  std::vector<char> buffer(plain->get_serialized_size(copy));
  eprosima::fastcdr::FastBuffer fast_buffer(buffer.data(), buffer.size());
  eprosima::fastcdr::Cdr writer(fast_buffer);
  ok = ok && plain->cdr_serialize(copy, writer) && writer.getSerializedDataLength() == buffer.size();

  Class received;
  eprosima::fastcdr::Cdr reader(fast_buffer);
  orvane_h26x_msgs::msg::typesupport_fastrtps_cpp::cdr_deserialize(reader, received);
  ok = ok && orvane_h26x_msgs::msg::typesupport_fastrtps_cpp::get_serialized_size(received, 0) == buffer.size();

  std::cout << "--- " << name << " (" << buffer.size() << " CDR bytes)\n"
            << orvane_h26x_msgs::msg::to_short_yaml(received);
  functions.destroy(original);
  functions.destroy(copy);
  if (!ok) {
    std::cerr << name << ": round trip failed\n";
  }
  return ok;
}

template<class Record>
struct CFunctions
{
  Record * (*create)();
  bool (* copy)(const Record *, Record *);
  bool (* are_equal)(const Record *, const Record *);
  void (* destroy)(Record *);
  const rosidl_message_type_support_t * (*plain_handle)();
};

#define ORVANE_EXAMPLE_FUNCTIONS(Msg) \
  CFunctions<orvane_h26x_msgs__msg__ ## Msg>{ \
    orvane_h26x_msgs__msg__ ## Msg ## __create, orvane_h26x_msgs__msg__ ## Msg ## __copy, \
    orvane_h26x_msgs__msg__ ## Msg ## __are_equal, orvane_h26x_msgs__msg__ ## Msg ## __destroy, \
    rosidl_typesupport_fastrtps_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg}

}  // namespace

int main()
{
  bool ok = true;
  ok &= show<orvane_h26x_msgs__msg__Image, orvane_h26x_msgs::msg::Image>(
    "Image", ORVANE_EXAMPLE_FUNCTIONS(Image));
  ok &= show<orvane_h26x_msgs__msg__Compressed, orvane_h26x_msgs::msg::Compressed>(
    "Compressed", ORVANE_EXAMPLE_FUNCTIONS(Compressed));
  ok &= show<orvane_h26x_msgs__msg__DualCompressedImage, orvane_h26x_msgs::msg::DualCompressedImage>(
    "DualCompressedImage", ORVANE_EXAMPLE_FUNCTIONS(DualCompressedImage));
  ok &= show<orvane_h26x_msgs__msg__OriginalImage, orvane_h26x_msgs::msg::OriginalImage>(
    "OriginalImage", ORVANE_EXAMPLE_FUNCTIONS(OriginalImage));
  ok &= show<orvane_h26x_msgs__msg__MultiImage, orvane_h26x_msgs::msg::MultiImage>(
    "MultiImage", ORVANE_EXAMPLE_FUNCTIONS(MultiImage));
  ok &= show<orvane_h26x_msgs__msg__MultiCompressed, orvane_h26x_msgs::msg::MultiCompressed>(
    "MultiCompressed", ORVANE_EXAMPLE_FUNCTIONS(MultiCompressed));
  std::cout << (ok ? "all six messages made the round trip\n" : "a message failed its round trip\n");
  return ok ? 0 : 1;
}
