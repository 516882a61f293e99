// The std_msgs stand-in's Header type supports write the bytes worked out
// here by hand, in both byte orders and at several start offsets, and their
// size functions agree with what they write.

#include <gtest/gtest.h>

#include "cdr_streams.hpp"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support_decl.hpp"
#include "std_msgs/msg/detail/header__functions.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_cpp.hpp"

namespace
{
using namespace test_support;

// sec 0x01020304, nanosec 0x0a0b0c0d, frame_id "ab", after `start` filler bytes.
Bytes expected_header(Cdr::Endianness order, std::size_t start)
{
  const Bytes sec = order == kLittle ? Bytes{4, 3, 2, 1} : Bytes{1, 2, 3, 4};
  const Bytes nanosec = order == kLittle ? Bytes{0x0d, 0x0c, 0x0b, 0x0a} : Bytes{0x0a, 0x0b, 0x0c, 0x0d};
  const Bytes length = order == kLittle ? Bytes{3, 0, 0, 0} : Bytes{0, 0, 0, 3};
  Bytes bytes((4 - start % 4) % 4, 0);  // padding before sec
  for (const Bytes * part : {&sec, &nanosec, &length}) {
    bytes.insert(bytes.end(), part->begin(), part->end());
  }
  bytes.insert(bytes.end(), {'a', 'b', 0});
  return bytes;
}

const message_type_support_callbacks_t * plain_callbacks()
{
  return static_cast<const message_type_support_callbacks_t *>(
    rosidl_typesupport_fastrtps_c__get_message_type_support_handle__std_msgs__msg__Header()->data);
}

TEST(StandInHeader, BothRepresentationsWriteTheHandComputedBytes)
{
  std_msgs__msg__Header plain;
  ASSERT_TRUE(std_msgs__msg__Header__init(&plain));
  plain.stamp.sec = 0x01020304;
  plain.stamp.nanosec = 0x0a0b0c0d;
  ASSERT_TRUE(rosidl_runtime_c__String__assign(&plain.frame_id, "ab"));
  std_msgs::msg::Header object;
  object.stamp.sec = 0x01020304;
  object.stamp.nanosec = 0x0a0b0c0d;
  object.frame_id = "ab";

  for (Cdr::Endianness order : {kLittle, kBig}) {
    for (std::size_t start : {0u, 2u, 4u}) {
      SCOPED_TRACE(testing::Message() << "order " << int(order) << " start " << start);
      const Bytes expected = expected_header(order, start);
      // Written as generated code writes it: the padding in front is skipped,
      // so the buffer starts zeroed here (this package zeroes it around a header).
      const Bytes from_plain = write_message(
        [&](Cdr & cdr) {return plain_callbacks()->cdr_serialize(&plain, cdr);}, order, start, 64, nullptr, '\0');
      const Bytes from_class = write_message(
        [&](Cdr & cdr) {return std_msgs::msg::typesupport_fastrtps_cpp::cdr_serialize(object, cdr);},
        order, start, 64, nullptr, '\0');
      EXPECT_EQ(hex(from_plain), hex(expected));
      EXPECT_EQ(hex(from_class), hex(expected));
      EXPECT_EQ(get_serialized_size_std_msgs__msg__Header(&plain, start), expected.size());
      EXPECT_EQ(std_msgs::msg::typesupport_fastrtps_cpp::get_serialized_size(object, start), expected.size());

      std_msgs__msg__Header plain_back;
      ASSERT_TRUE(std_msgs__msg__Header__init(&plain_back));
      Reader plain_reader(expected, order, start);
      ASSERT_TRUE(plain_callbacks()->cdr_deserialize(plain_reader.cdr(), &plain_back));
      EXPECT_TRUE(std_msgs__msg__Header__are_equal(&plain, &plain_back));
      std_msgs__msg__Header__fini(&plain_back);

      std_msgs::msg::Header object_back;
      Reader class_reader(expected, order, start);
      std_msgs::msg::typesupport_fastrtps_cpp::cdr_deserialize(class_reader.cdr(), object_back);
      EXPECT_EQ(object_back, object);
    }
  }
  std_msgs__msg__Header__fini(&plain);
}

TEST(StandInHeader, MaximumSizeIsTheEmptyHeaderAndUnbounded)
{
  bool bounded = true, plain = true;
  EXPECT_EQ(max_serialized_size_std_msgs__msg__Header(bounded, plain, 0), 13u);
  EXPECT_FALSE(bounded);
  EXPECT_FALSE(plain);
  bounded = plain = true;
  EXPECT_EQ(std_msgs::msg::typesupport_fastrtps_cpp::max_serialized_size_Header(bounded, plain, 0), 13u);
  EXPECT_FALSE(bounded);
  EXPECT_FALSE(plain);
  char bounds = 7;
  EXPECT_EQ(plain_callbacks()->max_serialized_size(bounds), 13u);
  EXPECT_EQ(bounds, 0);
}

TEST(StandInHeader, HandlesCarryTheirTypeSupportIdentifiers)
{
  EXPECT_STREQ(rosidl_typesupport_fastrtps_c__identifier, "rosidl_typesupport_fastrtps_c");
  EXPECT_STREQ(rosidl_typesupport_fastrtps_cpp::typesupport_identifier, "rosidl_typesupport_fastrtps_cpp");
  EXPECT_EQ(
    rosidl_typesupport_fastrtps_c__get_message_type_support_handle__std_msgs__msg__Header()->typesupport_identifier,
    rosidl_typesupport_fastrtps_c__identifier);
  const auto * handle = rosidl_typesupport_fastrtps_cpp::get_message_type_support_handle<std_msgs::msg::Header>();
  EXPECT_EQ(handle, rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__std_msgs__msg__Header());
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_fastrtps_cpp::typesupport_identifier);
}
}  // namespace
