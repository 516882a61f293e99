// The class Fast-CDR type support: the same bytes as the plain one in every
// byte order and alignment, exceptions and rollback on short or hostile
// input, wire limits, sizes and registration.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <random>

#include "classes.hpp"
#include "every_alignment.hpp"
#include "counting_allocator.hpp"
#include "largest_new.hpp"
#include "fastcdr/exceptions/BadParamException.h"
#include "fastcdr/exceptions/NotEnoughMemoryException.h"

namespace
{
using namespace test_support;
namespace cdr = orvane_h26x_msgs::msg::typesupport_fastrtps_cpp;
using eprosima::fastcdr::exception::NotEnoughMemoryException;

class ClassCdr : public testing::Test
{
protected:
  void SetUp() override {reset_allocations();}
  void TearDown() override {EXPECT_EQ(allocation_stats().live, 0u) << "leaked plain blocks";}
};

template<class Record>
void same_bytes_both_ways(std::mt19937 & rng)
{
  using Class = typename ClassOf<Record>::type;
  for_every_alignment<Record>(
    rng, [](const Plain<Record> & original, Cdr::Endianness order, std::size_t start) {
      const Bytes plain_bytes = write_plain(*original, order, start);
      Class message;
      Reader reader(plain_bytes, order, start);
      ASSERT_TRUE(cdr::cdr_deserialize(reader.cdr(), message));
      EXPECT_EQ(reader.consumed(), plain_bytes.size());

      const Bytes class_bytes = write_class(message, order, start);
      EXPECT_EQ(hex(class_bytes), hex(plain_bytes));
      // The bytes depend on the message alone, not on what the buffer held.
      EXPECT_EQ(write_plain(*original, order, start, nullptr, '\xa5'), plain_bytes);
      EXPECT_EQ(write_class(message, order, start, '\xa5'), plain_bytes);
      EXPECT_EQ(cdr::get_serialized_size(message, start), plain_bytes.size());
      EXPECT_EQ(cdr::get_serialized_size(message, start), detail::PlainCdrFunctions<Record>::size(original.get(), start));

      Plain<Record> back;
      Reader plain_reader(class_bytes, order, start);
      ASSERT_TRUE(plain_callbacks<Record>()->cdr_deserialize(plain_reader.cdr(), back.get()));
      EXPECT_TRUE(detail::PlainFunctions<Record>::are_equal(original.get(), back.get()));
    });
}

TEST_F(ClassCdr, BothWritersProduceTheSameBytesAndEachReadsTheOther)
{
  std::mt19937 rng(21);
#define ORVANE_TEST_SAME_BYTES(Msg) same_bytes_both_ways<orvane_h26x_msgs__msg__ ## Msg>(rng);
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_SAME_BYTES)
}

TEST_F(ClassCdr, SizeOfTheWorkedExample)
{
  orvane_h26x_msgs::msg::OriginalImage image;
  image.topic_name = {"abcd"};
  image.is_valid = {1};
  image.encoding = "rgb8";
  image.data.assign(6, 0);
  EXPECT_EQ(cdr::get_serialized_size(image, 0), 66u);
  EXPECT_EQ(write_class(image).size(), 66u);
  EXPECT_EQ(cdr::get_serialized_size(orvane_h26x_msgs::msg::OriginalImage(), 0), 40u);
  EXPECT_EQ(cdr::get_serialized_size(orvane_h26x_msgs::msg::MultiImage(), 0), 48u);
}

TEST_F(ClassCdr, StringsWithAnInnerZeroByte)
{
  // Written up to the zero byte, but counted with the whole length.
  orvane_h26x_msgs::msg::OriginalImage image;
  image.encoding = std::string("ab\0cdefgh", 9);
  const Bytes written = write_class(image);
  EXPECT_LT(written.size(), cdr::get_serialized_size(image, 0));
  orvane_h26x_msgs::msg::OriginalImage back;
  read_class(written, back);
  EXPECT_EQ(back.encoding, "ab");

  // Received "ab\0c": the class keeps all four characters, the plain record
  // stops at the zero byte.
  image.encoding = "abxc";
  Bytes bytes = write_class(image);
  const std::size_t x = 24 + 4 + 2;  // encoding's characters start at 28
  ASSERT_EQ(bytes[x], 'x');
  bytes[x] = 0;
  read_class(bytes, back);
  EXPECT_EQ(back.encoding, std::string("ab\0c", 4));
  Plain<orvane_h26x_msgs__msg__OriginalImage> plain;
  Reader reader(bytes, kLittle);
  ASSERT_TRUE(plain_callbacks<orvane_h26x_msgs__msg__OriginalImage>()->cdr_deserialize(reader.cdr(), plain.get()));
  EXPECT_STREQ(plain->encoding.data, "ab");
  EXPECT_EQ(plain->encoding.size, 2u);
}

template<class Record>
void short_input_everywhere(std::mt19937 & rng)
{
  using Class = typename ClassOf<Record>::type;
  const Class message = random_class<Record>(rng);
  const Bytes bytes = write_class(message);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    Class target = random_class<Record>(rng);
    Reader reader(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(cut)), kLittle);
    EXPECT_THROW(cdr::cdr_deserialize(reader.cdr(), target), NotEnoughMemoryException)
      << detail::FieldList<Record>::name << " cut at " << cut;
  }
  Class whole = random_class<Record>(rng);
  read_class(bytes, whole);
  EXPECT_EQ(whole, message);
}

TEST_F(ClassCdr, ShortInputAtEveryCutRaisesWithoutLeaking)
{
  std::mt19937 rng(22);
#define ORVANE_TEST_SHORT(Msg) short_input_everywhere<orvane_h26x_msgs__msg__ ## Msg>(rng);
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_SHORT)
}

TEST_F(ClassCdr, AShortByteSequencePutsTheStreamBackBeforeItsCount)
{
  orvane_h26x_msgs::msg::Image image;
  image.data.assign(100, 7);
  const Bytes bytes = write_class(image);
  const std::size_t data_count_at = bytes.size() - 100 - 4;
  orvane_h26x_msgs::msg::Image target;
  target.data = {9, 9, 9};
  Reader reader(Bytes(bytes.begin(), bytes.end() - 1), kLittle);
  EXPECT_THROW(cdr::cdr_deserialize(reader.cdr(), target), NotEnoughMemoryException);
  EXPECT_EQ(reader.consumed(), data_count_at);
  EXPECT_EQ(target.data, (std::vector<uint8_t>{9, 9, 9}));
  // The same count can be read again from there.
  uint32_t count = 0;
  reader.cdr().deserialize(count);
  EXPECT_EQ(count, 100u);
}

// A count far beyond the input, for each kind of sequence at the start of a
// MultiImage or after a header: refused, stream back before the count,
// container unchanged.
TEST_F(ClassCdr, HostileCountsAreRefusedBeforeTheContainerGrows)
{
  orvane_h26x_msgs::msg::MultiImage multi;
  multi.header.resize(1);
  multi.topic_name = {"a"};
  const Bytes bytes = write_class(multi);
  const uint32_t huge = 0x0FFFFFFF;

  orvane_h26x_msgs::msg::MultiImage target;
  target.header.resize(2);
  target.header[1].frame_id = "kept";
  Bytes hostile = bytes;
  std::memcpy(&hostile[0], &huge, 4);  // the header count
  Reader header_reader(hostile, kLittle);
  reset_largest_new();
  EXPECT_THROW(cdr::cdr_deserialize(header_reader.cdr(), target), NotEnoughMemoryException);
  EXPECT_EQ(header_reader.consumed(), 0u);
  ASSERT_EQ(target.header.size(), 2u);
  EXPECT_EQ(target.header[1].frame_id, "kept");
  EXPECT_LT(largest_new(), 4096u);

  // The topic_name count follows the one header (12 + 1 bytes) at 4 + 13,
  // padded to 20; the stream goes back to 17, before the padding too.
  hostile = bytes;
  std::memcpy(&hostile[20], &huge, 4);
  target.topic_name = {"kept"};
  Reader strings_reader(hostile, kLittle);
  EXPECT_THROW(cdr::cdr_deserialize(strings_reader.cdr(), target), NotEnoughMemoryException);
  EXPECT_EQ(strings_reader.consumed(), 17u);
  EXPECT_EQ(target.topic_name, (std::vector<std::string>{"kept"}));

  orvane_h26x_msgs::msg::MultiCompressed outer;
  outer.h26x_images.resize(1);
  Bytes nested = write_class(outer);
  const std::size_t images_count_at = 16;  // after the 13-byte empty header and padding
  std::memcpy(&nested[images_count_at], &huge, 4);
  orvane_h26x_msgs::msg::MultiCompressed outer_target;
  outer_target.h26x_images.resize(3);
  Reader nested_reader(nested, kLittle);
  reset_largest_new();
  EXPECT_THROW(cdr::cdr_deserialize(nested_reader.cdr(), outer_target), NotEnoughMemoryException);
  EXPECT_EQ(nested_reader.consumed(), 13u);
  EXPECT_EQ(outer_target.h26x_images.size(), 3u);
  EXPECT_LT(largest_new(), 4096u);
}

// Every aligned word of valid streams overwritten with large counts: reads
// fail by exception or succeed, and never ask for much more than the input.
template<class Record>
void survive_hostile_words(std::mt19937 & rng)
{
  using Class = typename ClassOf<Record>::type;
  const Bytes valid = write_class(random_class<Record>(rng, RandomShape{5, 12, 2}));
  for (std::size_t offset = 0; offset + 4 <= valid.size(); offset += 4) {
    for (uint32_t count : {0xFFFFFFFFu, 0x7FFFFFF0u, 0x00FFFFFFu, 0x00001000u}) {
      Bytes hostile = valid;
      std::memcpy(&hostile[offset], &count, 4);
      Class target;
      Reader reader(hostile, kLittle);
      reset_largest_new();
      try {
        cdr::cdr_deserialize(reader.cdr(), target);
      } catch (const eprosima::fastcdr::exception::Exception &) {
      }
      EXPECT_LE(largest_new(), 8 * valid.size() + 256) << detail::FieldList<Record>::name << " at " << offset;
    }
  }
}

TEST_F(ClassCdr, HostileWordsNeverCostMoreThanTheInput)
{
  std::mt19937 rng(23);
#define ORVANE_TEST_HOSTILE_WORDS(Msg) survive_hostile_words<orvane_h26x_msgs__msg__ ## Msg>(rng);
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_HOSTILE_WORDS)
}

TEST_F(ClassCdr, ReadingIntoLargerObjectsLeavesExactlyTheInput)
{
  std::mt19937 rng(24);
  for (int round = 0; round < 20; ++round) {
    const auto small = random_class<orvane_h26x_msgs__msg__MultiCompressed>(rng, RandomShape{4, 8, 1});
    auto large = random_class<orvane_h26x_msgs__msg__MultiCompressed>(rng, RandomShape{30, 200, 5});
    read_class(write_class(small), large);
    EXPECT_EQ(large, small);
  }
  orvane_h26x_msgs::msg::Compressed one;
  one.images.resize(1);
  one.images[0].encoding = "h265";
  orvane_h26x_msgs::msg::Compressed three;
  three.images.resize(3);
  three.images[0].data.assign(50, 1);
  three.images[0].count = 99;
  read_class(write_class(one), three);
  ASSERT_EQ(three.images.size(), 1u);
  EXPECT_EQ(three.images[0], one.images[0]);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST_F(ClassCdr, AContainerTooLongForTheWireIsRefusedBeforeItIsWritten)
{
  orvane_h26x_msgs::msg::OriginalImage image;
  const std::size_t before_data = cdr::get_serialized_size(image, 0) - 4;
  image.data.resize((std::size_t{1} << 32) + 1);
  std::vector<char> buffer(256);
  eprosima::fastcdr::FastBuffer fast_buffer(buffer.data(), buffer.size());
  Cdr writer(fast_buffer);
  EXPECT_THROW(cdr::cdr_serialize(image, writer), eprosima::fastcdr::exception::BadParamException);
  EXPECT_EQ(writer.getSerializedDataLength(), before_data);
  // The size entry saturates rather than wrap to 41 bytes.
  const auto * record = static_cast<const message_type_support_callbacks_t *>(
    rosidl_typesupport_fastrtps_cpp::get_message_type_support_handle<orvane_h26x_msgs::msg::OriginalImage>()->data);
  EXPECT_EQ(record->get_serialized_size(&image), 0xFFFFFFFFu);
}
#endif

// ---- sizes and registration ----

template<class Class>
void expect_registration(const char * name, std::size_t (* max_size)(bool &, bool &, std::size_t), std::size_t at_zero)
{
  const rosidl_message_type_support_t * handle = rosidl_typesupport_fastrtps_cpp::get_message_type_support_handle<Class>();
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_fastrtps_cpp::typesupport_identifier);
  EXPECT_EQ(handle->func, &get_message_typesupport_handle_function);
  const auto * record = static_cast<const message_type_support_callbacks_t *>(handle->data);
  EXPECT_STREQ(record->message_namespace_, "orvane_h26x_msgs::msg");
  EXPECT_STREQ(record->message_name_, name);
  bool bounded = true, plain = true;
  EXPECT_EQ(max_size(bounded, plain, 0), at_zero) << name;
  EXPECT_FALSE(bounded);
  EXPECT_FALSE(plain);
  char bounds = 9;
  EXPECT_EQ(record->max_serialized_size(bounds), at_zero);
  EXPECT_EQ(bounds, 0);
  Class empty;
  EXPECT_EQ(record->get_serialized_size(&empty), at_zero);  // an empty message is its fixed part
}

TEST_F(ClassCdr, HandlesRecordsAndMaximumSizes)
{
  EXPECT_STREQ(rosidl_typesupport_fastrtps_cpp::typesupport_identifier, "rosidl_typesupport_fastrtps_cpp");
  using namespace orvane_h26x_msgs::msg;
  expect_registration<Image>("Image", cdr::max_serialized_size_Image, 48);
  expect_registration<Compressed>("Compressed", cdr::max_serialized_size_Compressed, 20);
  expect_registration<DualCompressedImage>("DualCompressedImage", cdr::max_serialized_size_DualCompressedImage, 36);
  expect_registration<OriginalImage>("OriginalImage", cdr::max_serialized_size_OriginalImage, 40);
  expect_registration<MultiImage>("MultiImage", cdr::max_serialized_size_MultiImage, 48);
  expect_registration<MultiCompressed>("MultiCompressed", cdr::max_serialized_size_MultiCompressed, 24);
  bool bounded, plain;
  EXPECT_EQ(cdr::max_serialized_size_OriginalImage(bounded, plain, 4), 44u);
#define ORVANE_TEST_SAME_HANDLE(Msg) \
  EXPECT_EQ( \
    rosidl_typesupport_fastrtps_cpp::get_message_type_support_handle<Msg>(), \
    rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg());
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_SAME_HANDLE)
}

TEST_F(ClassCdr, NestedSizesDependOnWhereEachElementStarts)
{
  orvane_h26x_msgs::msg::Compressed compressed;
  compressed.images.resize(2);
  compressed.images[0].encoding = "x";  // the first image ends off an 8-byte boundary
  std::size_t expected = std_msgs::msg::typesupport_fastrtps_cpp::get_serialized_size(compressed.header, 0);
  expected += detail::pad(expected, 4) + 4;
  expected += cdr::get_serialized_size(compressed.images[0], expected);
  expected += cdr::get_serialized_size(compressed.images[1], expected);
  EXPECT_EQ(cdr::get_serialized_size(compressed, 0), expected);
  EXPECT_EQ(write_class(compressed).size(), expected);
}
}  // namespace
