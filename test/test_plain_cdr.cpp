// The plain Fast-CDR type support: hand-computed bytes, round trips in every
// byte order and alignment, failure lines, hostile input and wire limits.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <sstream>

#include "cdr_streams.hpp"
#include "counting_allocator.hpp"
#include "fastcdr/exceptions/NotEnoughMemoryException.h"
#include "classes.hpp"
#include "every_alignment.hpp"

namespace
{
using namespace test_support;
using detail::PlainCdrFunctions;
using detail::PlainFunctions;

template<class Record>
const message_type_support_callbacks_t * callbacks()
{
  return plain_callbacks<Record>();
}

// "01 00 02": bytes in hex, white space ignored. Padding is written as zeros
// whatever the buffer held (write_plain fills it with another value first).
void expect_bytes(const Bytes & actual, const std::string & pattern)
{
  std::string digits;
  for (char c : pattern) {
    if (c != ' ') {
      digits += c;
    }
  }
  ASSERT_EQ(digits.size() % 2, 0u);
  ASSERT_EQ(actual.size(), digits.size() / 2) << hex(actual);
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_EQ(actual[i], std::stoul(digits.substr(2 * i, 2), nullptr, 16)) << "offset " << i << " in " << hex(actual);
  }
}

void fill_worked_example(orvane_h26x_msgs__msg__OriginalImage & image)
{
  ASSERT_TRUE(rosidl_runtime_c__String__Sequence__init(&image.topic_name, 1));
  ASSERT_TRUE(rosidl_runtime_c__String__assign(&image.topic_name.data[0], "ab"));
  ASSERT_TRUE(rosidl_runtime_c__uint8__Sequence__init(&image.is_valid, 1));
  image.is_valid.data[0] = 1;
  image.count = 7;
  image.height = 2;
  image.width = 3;
  image.is_bigendian = 0;
  image.step = 9;
  ASSERT_TRUE(rosidl_runtime_c__uint8__Sequence__init(&image.data, 2));
  image.data.data[0] = 0xAA;
  image.data.data[1] = 0xBB;
}

class PlainCdr : public testing::Test
{
protected:
  void SetUp() override {reset_allocations();}
  void TearDown() override
  {
    fail_request(0);
    EXPECT_EQ(allocation_stats().live, 0u) << "leaked blocks";
  }
};

TEST_F(PlainCdr, WorkedExampleBytes)
{
  Plain<orvane_h26x_msgs__msg__OriginalImage> image;
  fill_worked_example(*image);
  expect_bytes(
    write_plain(*image, kLittle),
    "01 00 00 00  03 00 00 00  61 62 00 00  01 00 00 00  01 00 00 00 00 00 00 00 "
    "07 00 00 00 00 00 00 00  02 00 00 00  03 00 00 00  01 00 00 00  00  00 00 00"
    "09 00 00 00  02 00 00 00  aa bb");
  expect_bytes(
    write_plain(*image, kBig),
    "00 00 00 01  00 00 00 03  61 62 00 00  00 00 00 01  01 00 00 00 00 00 00 00 "
    "00 00 00 00 00 00 00 07  00 00 00 02  00 00 00 03  00 00 00 01  00  00 00 00"
    "00 00 00 09  00 00 00 02  aa bb");
  // Starting 4 bytes after the origin, only 3 padding bytes precede count.
  expect_bytes(
    write_plain(*image, kLittle, 4),
    "01 00 00 00  03 00 00 00  61 62 00 00  01 00 00 00  01 00 00 00 "
    "07 00 00 00 00 00 00 00  02 00 00 00  03 00 00 00  01 00 00 00  00  00 00 00"
    "09 00 00 00  02 00 00 00  aa bb");
  EXPECT_EQ(get_serialized_size_orvane_h26x_msgs__msg__OriginalImage(image.get(), 0), 58u);
  EXPECT_EQ(get_serialized_size_orvane_h26x_msgs__msg__OriginalImage(image.get(), 4), 54u);
}

TEST_F(PlainCdr, EmptyMessagesLayout)
{
  Plain<orvane_h26x_msgs__msg__OriginalImage> original;
  original->count = 0x1122334455667788;
  expect_bytes(
    write_plain(*original),
    "00 00 00 00  00 00 00 00  88 77 66 55 44 33 22 11  00 00 00 00  00 00 00 00 "
    "01 00 00 00  00  00 00 00  00 00 00 00  00 00 00 00");
  Plain<orvane_h26x_msgs__msg__MultiImage> multi;
  expect_bytes(
    write_plain(*multi),
    "00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00 00 00 00 00 "
    "00 00 00 00  00 00 00 00  01 00 00 00  00  00 00 00  00 00 00 00  00 00 00 00");
}

TEST_F(PlainCdr, NestedImagesFollowEachOtherWithoutAlignmentOfTheirOwn)
{
  Plain<orvane_h26x_msgs__msg__Compressed> compressed;
  compressed->header.stamp.sec = 1;
  compressed->header.stamp.nanosec = 2;
  ASSERT_TRUE(rosidl_runtime_c__String__assign(&compressed->header.frame_id, "f"));
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__init(&compressed->images, 2));
  for (std::size_t i = 0; i < 2; ++i) {
    auto & image = compressed->images.data[i];
    image.header.stamp.sec = static_cast<int32_t>(0x51515151 * (i + 1));
    ASSERT_TRUE(rosidl_runtime_c__String__assign(&image.header.frame_id, "x"));
    ASSERT_TRUE(rosidl_runtime_c__String__assign(&image.encoding, "h264"));
    ASSERT_TRUE(rosidl_runtime_c__uint8__Sequence__init(&image.data, 3));
  }
  const Bytes bytes = write_plain(*compressed);
  // header 0..13, count at 16, first image 20..78 (its data ends at 78), one
  // padding byte, then the second image's stamp at 80.
  ASSERT_EQ(bytes.size(), 135u);
  EXPECT_EQ(hex(Bytes(bytes.begin() + 16, bytes.begin() + 20)), "02 00 00 00 ");
  EXPECT_EQ(hex(Bytes(bytes.begin() + 20, bytes.begin() + 24)), "51 51 51 51 ");
  EXPECT_EQ(hex(Bytes(bytes.begin() + 72, bytes.begin() + 76)), "03 00 00 00 ");
  EXPECT_EQ(hex(Bytes(bytes.begin() + 80, bytes.begin() + 84)), "a2 a2 a2 a2 ");
  EXPECT_EQ(get_serialized_size_orvane_h26x_msgs__msg__Compressed(compressed.get(), 0), bytes.size());
}

// ---- round trips ----

template<class Record>
void round_trips(std::mt19937 & rng)
{
  for_every_alignment<Record>(
    rng, [&rng](const Plain<Record> & original, Cdr::Endianness order, std::size_t start) {
      bool written = false;
      const Bytes bytes = write_plain(*original, order, start, &written);
      ASSERT_TRUE(written);
      EXPECT_EQ(bytes.size(), PlainCdrFunctions<Record>::size(original.get(), start));

      // Into zeroed storage that no init has run on.
      auto * zeroed = static_cast<Record *>(std::calloc(1, sizeof(Record)));
      Reader reader(bytes, order, start);
      EXPECT_TRUE(callbacks<Record>()->cdr_deserialize(reader.cdr(), zeroed));
      EXPECT_EQ(reader.consumed(), bytes.size());
      EXPECT_TRUE(PlainFunctions<Record>::are_equal(original.get(), zeroed));
      PlainFunctions<Record>::fini(zeroed);
      std::free(zeroed);

      // Into a message that already holds more than the input carries.
      Plain<Record> crowded;
      randomize(*crowded, rng, RandomShape{40, 300, 5});
      Reader again(bytes, order, start);
      ASSERT_TRUE(callbacks<Record>()->cdr_deserialize(again.cdr(), crowded.get()));
      EXPECT_TRUE(PlainFunctions<Record>::are_equal(original.get(), crowded.get()));
    });
}

TEST_F(PlainCdr, RandomMessagesRoundTripAtEveryAlignmentAndByteOrder)
{
  std::mt19937 rng(11);
#define ORVANE_TEST_ROUND_TRIP(Msg) round_trips<orvane_h26x_msgs__msg__ ## Msg>(rng);
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_ROUND_TRIP)
}

// ---- failure lines ----

TEST_F(PlainCdr, NullMessageIsReportedAndTheStreamUntouched)
{
  testing::internal::CaptureStderr();
  bool ok = true;
  const Bytes written = write_message(
    [](Cdr & cdr) {return callbacks<orvane_h26x_msgs__msg__Image>()->cdr_serialize(nullptr, cdr);},
    kLittle, 0, 16, &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(written.empty());
  Reader reader(Bytes(16, 0), kLittle);
  EXPECT_FALSE(callbacks<orvane_h26x_msgs__msg__Image>()->cdr_deserialize(reader.cdr(), nullptr));
  EXPECT_EQ(reader.consumed(), 0u);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ros message handle is null\nros message handle is null\n");
}

TEST_F(PlainCdr, UnfitStringsAreRefusedWithTheirLines)
{
  Plain<orvane_h26x_msgs__msg__DualCompressedImage> dual;
  ASSERT_TRUE(rosidl_runtime_c__String__assign(&dual->format, "abc"));
  dual->format.data[3] = 'x';  // no zero byte at index size
  testing::internal::CaptureStderr();
  bool ok = true;
  write_plain(*dual, kLittle, 0, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "string not null-terminated\n");
  dual->format.data[3] = '\0';

  // A zero byte inside the text passes; only the text before it is written.
  ASSERT_TRUE(rosidl_runtime_c__String__assign(&dual->format, "abcdefgh"));
  dual->format.data[1] = '\0';
  const Bytes bytes = write_plain(*dual, kLittle, 0, &ok);
  EXPECT_TRUE(ok);
  // Counted with its recorded size, written up to the zero byte.
  EXPECT_EQ(bytes.size() + 8, get_serialized_size_orvane_h26x_msgs__msg__DualCompressedImage(dual.get(), 0));
  Plain<orvane_h26x_msgs__msg__DualCompressedImage> back;
  Reader reader(bytes, kLittle);
  ASSERT_TRUE(callbacks<orvane_h26x_msgs__msg__DualCompressedImage>()->cdr_deserialize(reader.cdr(), back.get()));
  EXPECT_STREQ(back->format.data, "a");

  // Zeroed storage that no init ran on has strings of capacity 0.
  orvane_h26x_msgs__msg__Image raw;
  std::memset(&raw, 0, sizeof(raw));
  testing::internal::CaptureStderr();
  write_message(
    [&](Cdr & cdr) {return callbacks<orvane_h26x_msgs__msg__Image>()->cdr_serialize(&raw, cdr);}, kLittle, 0, 256,
    &ok);
  EXPECT_FALSE(ok);
  // The header's frame_id is the first string reached, through std_msgs.
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "string capacity not greater than size\n");
}

TEST_F(PlainCdr, AFailingSecondImageLeavesTheFirstOneWritten)
{
  std::mt19937 rng(12);
  Plain<orvane_h26x_msgs__msg__Compressed> compressed;
  randomize(*compressed, rng);
  orvane_h26x_msgs__msg__Image__Sequence__fini(&compressed->images);
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__init(&compressed->images, 2));
  randomize(compressed->images.data[0], rng);
  randomize(compressed->images.data[1], rng);
  rosidl_runtime_c__String__fini(&compressed->images.data[1].encoding);  // capacity 0
  testing::internal::CaptureStderr();
  bool ok = true;
  const Bytes bytes = write_message(
    [&](Cdr & cdr) {return callbacks<orvane_h26x_msgs__msg__Compressed>()->cdr_serialize(compressed.get(), cdr);},
    kLittle, 0, 4096, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "string capacity not greater than size\n");
  std::size_t expected = get_serialized_size_std_msgs__msg__Header(&compressed->header, 0);
  expected += detail::pad(expected, 4) + 4;
  expected += get_serialized_size_orvane_h26x_msgs__msg__Image(&compressed->images.data[0], expected);
  // ...plus the second image's header, count, height and width.
  const std::size_t second_start = expected;
  expected += get_serialized_size_std_msgs__msg__Header(&compressed->images.data[1].header, expected);
  expected += detail::pad(expected, 8) + 8 + 4 + 4;
  EXPECT_EQ(bytes.size(), expected) << "second image starts at " << second_start;
  ASSERT_TRUE(rosidl_runtime_c__String__init(&compressed->images.data[1].encoding));
}

// Every allocation that a read makes can fail; each failure is one line of
// the field concerned, and nothing leaks.
TEST_F(PlainCdr, EveryAllocationFailureWhileReadingHasItsLine)
{
  std::mt19937 rng(13);
  Plain<orvane_h26x_msgs__msg__MultiImage> multi;
  do {
    randomize(*multi, rng);
  } while (!multi->header.size || !multi->topic_name.size || !multi->is_vaild.size || !multi->data.size);
  const Bytes bytes = write_plain(*multi);
  const std::size_t baseline = allocation_stats().live;
  // One read into zeroed storage, with request k failing (0: none).
  auto read = [&](std::size_t k, bool & ok) {
      auto * target = static_cast<orvane_h26x_msgs__msg__MultiImage *>(
        std::calloc(1, sizeof(orvane_h26x_msgs__msg__MultiImage)));
      Reader reader(bytes, kLittle);
      reset_requests();
      testing::internal::CaptureStderr();
      fail_request(k);
      ok = callbacks<orvane_h26x_msgs__msg__MultiImage>()->cdr_deserialize(reader.cdr(), target);
      fail_request(0);
      const std::string line = testing::internal::GetCapturedStderr();
      const std::size_t requests = allocation_stats().requests;
      orvane_h26x_msgs__msg__MultiImage__fini(target);
      std::free(target);
      EXPECT_EQ(allocation_stats().live, baseline) << "request " << k;
      return std::make_pair(line, requests);
    };
  bool ok = false;
  const std::size_t requests = read(0, ok).second;
  ASSERT_TRUE(ok);
  std::set<std::string> lines;
  for (std::size_t k = 1; k <= requests; ++k) {
    const std::string line = read(k, ok).first;
    // A failed init of a string about to be assigned is not looked at; the
    // assignment then asks again and succeeds.
    EXPECT_EQ(ok, line.empty()) << "request " << k << ": " << line;
    if (!ok) {
      lines.insert(line);
    }
  }
  const std::set<std::string> expected = {
    "failed to create array for field 'header'",
    "failed to assign string into field 'frame_id'\n",  // from std_msgs, inside a header
    "failed to create array for field 'topic_name'",
    "failed to assign string into field 'topic_name'\n",
    "failed to create array for field 'is_vaild'",
    "failed to assign string into field 'encoding'\n",
    "failed to create array for field 'data'"};
  EXPECT_EQ(lines, expected);
}

// ---- hostile input ----

// Overwrites every aligned 32-bit word of a valid stream with large counts and
// cuts the stream at every length: reads fail or succeed, never crash or leak,
// and never ask for much more memory than the input's size.
template<class Record>
void survive_hostile_input(std::mt19937 & rng)
{
  Plain<Record> original;
  randomize(*original, rng, RandomShape{5, 12, 2});
  const Bytes valid = write_plain(*original);
  auto read = [&](const Bytes & input) {
      auto * target = static_cast<Record *>(std::calloc(1, sizeof(Record)));
      const std::size_t baseline = allocation_stats().live;
      reset_requests();
      Reader reader(input, kLittle);
      testing::internal::CaptureStderr();
      try {
        callbacks<Record>()->cdr_deserialize(reader.cdr(), target);
      } catch (const eprosima::fastcdr::exception::NotEnoughMemoryException &) {
      }
      testing::internal::GetCapturedStderr();
      const AllocationStats stats = allocation_stats();
      EXPECT_LE(stats.largest_request, 8 * input.size() + 64) << detail::FieldList<Record>::name;
      EXPECT_LE(stats.total_requested, 64 * input.size() + 4096) << detail::FieldList<Record>::name;
      PlainFunctions<Record>::fini(target);
      std::free(target);
      EXPECT_EQ(allocation_stats().live, baseline);
    };
  for (std::size_t offset = 0; offset + 4 <= valid.size(); offset += 4) {
    for (uint32_t count : {0xFFFFFFFFu, 0x7FFFFFF0u, 0x00FFFFFFu, 0x00001000u}) {
      Bytes hostile = valid;
      std::memcpy(&hostile[offset], &count, 4);
      read(hostile);
    }
  }
  for (std::size_t cut = 0; cut < valid.size(); ++cut) {
    read(Bytes(valid.begin(), valid.begin() + static_cast<long>(cut)));
  }
}

TEST_F(PlainCdr, HostileCountsAndShortInputAreRefusedCheaply)
{
  std::mt19937 rng(14);
#define ORVANE_TEST_HOSTILE(Msg) survive_hostile_input<orvane_h26x_msgs__msg__ ## Msg>(rng);
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_HOSTILE)
}

TEST_F(PlainCdr, ACountBeyondTheInputRaisesTheShortReadException)
{
  Plain<orvane_h26x_msgs__msg__Image> image;
  Bytes bytes = write_plain(*image);
  const uint32_t huge = 50000000;  // the data count, last word of the stream
  std::memcpy(&bytes[bytes.size() - 4], &huge, 4);
  Reader reader(bytes, kLittle);
  EXPECT_THROW(
    callbacks<orvane_h26x_msgs__msg__Image>()->cdr_deserialize(reader.cdr(), image.get()),
    eprosima::fastcdr::exception::NotEnoughMemoryException);
  EXPECT_LT(allocation_stats().largest_request, 1024u);
}

// ---- limits of the wire ----

TEST_F(PlainCdr, ContainersTooLongForTheWireAreRefusedBeforeTheyAreWritten)
{
  Plain<orvane_h26x_msgs__msg__OriginalImage> image;
  const std::size_t before_data = get_serialized_size_orvane_h26x_msgs__msg__OriginalImage(image.get(), 0) - 4;
  uint8_t byte = 0;
  rosidl_runtime_c__uint8__Sequence fake_data{&byte, std::size_t{1} << 32, std::size_t{1} << 32};
  rosidl_runtime_c__uint8__Sequence kept = image->data;
  image->data = fake_data;
  testing::internal::CaptureStderr();
  bool ok = true;
  const Bytes bytes = write_message(
    [&](Cdr & cdr) {return callbacks<orvane_h26x_msgs__msg__OriginalImage>()->cdr_serialize(image.get(), cdr);},
    kLittle, 0, 256, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "sequence too long for CDR: more than 4294967295 elements\n");
  EXPECT_EQ(bytes.size(), before_data);

  // The size entry saturates instead of wrapping to a small number.
  EXPECT_EQ(
    get_serialized_size_orvane_h26x_msgs__msg__OriginalImage(image.get(), 0), before_data + 4 + (std::size_t{1} << 32));
  EXPECT_EQ(callbacks<orvane_h26x_msgs__msg__OriginalImage>()->get_serialized_size(image.get()), 0xFFFFFFFFu);
  image->data = kept;

  // A string of 2^32 - 1 characters is refused before its text is touched.
  char text[4] = "abc";
  rosidl_runtime_c__String kept_text = image->encoding;
  image->encoding = rosidl_runtime_c__String{text, 0xFFFFFFFFu, std::size_t{1} << 32};
  testing::internal::CaptureStderr();
  write_message(
    [&](Cdr & cdr) {return callbacks<orvane_h26x_msgs__msg__OriginalImage>()->cdr_serialize(image.get(), cdr);},
    kLittle, 0, 256, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "string too long for CDR: 4294967295 characters or more\n");
  image->encoding = kept_text;
}

// ---- sizes and registration ----

TEST_F(PlainCdr, MaximumSizesFlagsAndBoundsCodes)
{
  struct Expected
  {
    std::size_t (* max_size)(bool &, bool &, std::size_t);
    const message_type_support_callbacks_t * record;
    std::size_t at_zero;
  };
  // The header's fixed part M is 13: Image M + pad(M, 8) + 32 and so on.
  const Expected expected[] = {
    {max_serialized_size_orvane_h26x_msgs__msg__Image, callbacks<orvane_h26x_msgs__msg__Image>(), 48},
    {max_serialized_size_orvane_h26x_msgs__msg__Compressed, callbacks<orvane_h26x_msgs__msg__Compressed>(), 20},
    {max_serialized_size_orvane_h26x_msgs__msg__DualCompressedImage,
      callbacks<orvane_h26x_msgs__msg__DualCompressedImage>(), 36},
    {max_serialized_size_orvane_h26x_msgs__msg__OriginalImage, callbacks<orvane_h26x_msgs__msg__OriginalImage>(), 40},
    {max_serialized_size_orvane_h26x_msgs__msg__MultiImage, callbacks<orvane_h26x_msgs__msg__MultiImage>(), 48},
    {max_serialized_size_orvane_h26x_msgs__msg__MultiCompressed,
      callbacks<orvane_h26x_msgs__msg__MultiCompressed>(), 24},
  };
  for (const Expected & e : expected) {
    bool bounded = true, plain = true;
    EXPECT_EQ(e.max_size(bounded, plain, 0), e.at_zero) << e.record->message_name_;
    EXPECT_FALSE(bounded);
    EXPECT_FALSE(plain);
    char bounds = 5;
    EXPECT_EQ(e.record->max_serialized_size(bounds), e.at_zero);
    EXPECT_EQ(bounds, 0);
  }
  bool bounded, plain;
  EXPECT_EQ(max_serialized_size_orvane_h26x_msgs__msg__MultiImage(bounded, plain, 4), 44u);
  EXPECT_EQ(max_serialized_size_orvane_h26x_msgs__msg__OriginalImage(bounded, plain, 4), 44u);
  // An empty message is exactly its fixed part.
  Plain<orvane_h26x_msgs__msg__MultiImage> empty;
  EXPECT_EQ(get_serialized_size_orvane_h26x_msgs__msg__MultiImage(empty.get(), 0), 48u);
}

template<class Record>
void expect_registration(const char * name)
{
  const rosidl_message_type_support_t * handle = PlainCdrFunctions<Record>::handle();
  EXPECT_EQ(handle, PlainCdrFunctions<Record>::handle());
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_fastrtps_c__identifier);
  EXPECT_EQ(handle->func, &get_message_typesupport_handle_function);
  const auto * record = callbacks<Record>();
  EXPECT_STREQ(record->message_namespace_, "orvane_h26x_msgs::msg");
  EXPECT_STREQ(record->message_name_, name);
  Plain<Record> empty;
  EXPECT_EQ(record->get_serialized_size(empty.get()), PlainCdrFunctions<Record>::size(empty.get(), 0));
}

TEST_F(PlainCdr, HandlesRecordsAndIdentifiers)
{
  EXPECT_STREQ(rosidl_typesupport_fastrtps_c__identifier, "rosidl_typesupport_fastrtps_c");
#define ORVANE_TEST_REGISTRATION(Msg) expect_registration<orvane_h26x_msgs__msg__ ## Msg>(#Msg);
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_REGISTRATION)
}
}  // namespace
