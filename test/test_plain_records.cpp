// Plain records and sequences: what callers rely on, every allocation
// failure along the deep operations, and the invariant reports of fini.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "counting_allocator.hpp"
#include "random_plain.hpp"

namespace
{
using namespace test_support;
using detail::FieldKind;
using detail::FieldList;
using detail::PlainFunctions;

template<class Sequence>
void expect_sequence_invariants(const Sequence & sequence)
{
  if (!sequence.data) {
    EXPECT_EQ(sequence.size, 0u);
    EXPECT_EQ(sequence.capacity, 0u);
  } else {
    EXPECT_GT(sequence.capacity, 0u);
    EXPECT_LE(sequence.size, sequence.capacity);
  }
}

// Every string empty and terminated, every sequence without storage.
template<class Record>
void expect_empty_members(const Record & record)
{
  FieldList<Record>::visit(
    record, [](const auto & member, auto field) {
      constexpr FieldKind kind = decltype(field)::kind;
      if constexpr (kind == FieldKind::STRING) {
        EXPECT_EQ(member.size, 0u) << field.name;
        EXPECT_GT(member.capacity, 0u) << field.name;
        EXPECT_EQ(member.data[0], '\0') << field.name;
      } else if constexpr (kind == FieldKind::HEADER) {
        EXPECT_EQ(member.frame_id.size, 0u);
      } else if constexpr (detail::is_sequence(kind)) {
        EXPECT_EQ(member.data, nullptr) << field.name;
        EXPECT_EQ(member.size, 0u) << field.name;
        EXPECT_EQ(member.capacity, 0u) << field.name;
      }
      return true;
    });
}

class PlainRecords : public testing::Test
{
protected:
  void SetUp() override {reset_allocations();}
  void TearDown() override
  {
    fail_request(0);
    EXPECT_EQ(allocation_stats().live, 0u) << "leaked blocks";
  }
};

#define ORVANE_TEST_CREATE(Msg) \
  { \
    auto * record = orvane_h26x_msgs__msg__ ## Msg ## __create(); \
    ASSERT_NE(record, nullptr); \
    FieldList<orvane_h26x_msgs__msg__ ## Msg>::visit( \
      *record, [](const auto & member, auto field) { \
        if constexpr (std::is_integral_v<std::decay_t<decltype(member)>>) { \
          EXPECT_EQ(member, 0u) << #Msg "." << field.name; \
        } \
        return true; \
      }); \
    expect_empty_members(*record); \
    orvane_h26x_msgs__msg__ ## Msg ## __destroy(record); \
  }

TEST_F(PlainRecords, CreateGivesZeroIntegersAndEmptyMembers)
{
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_CREATE)
}

TEST_F(PlainRecords, InitLeavesIntegersAsTheStorageHeldThem)
{
  alignas(orvane_h26x_msgs__msg__MultiImage) unsigned char storage[sizeof(orvane_h26x_msgs__msg__MultiImage)];
  std::memset(storage, 0xAB, sizeof(storage));
  auto * multi = reinterpret_cast<orvane_h26x_msgs__msg__MultiImage *>(storage);
  ASSERT_TRUE(orvane_h26x_msgs__msg__MultiImage__init(multi));
  EXPECT_EQ(multi->count, 0xABABABABABABABABu);
  EXPECT_EQ(multi->height, 0xABABABABu);
  EXPECT_EQ(multi->width, 0xABABABABu);
  EXPECT_EQ(multi->is_bigendian, 0xABu);
  EXPECT_EQ(multi->step, 0xABABABABu);
  expect_empty_members(*multi);
  orvane_h26x_msgs__msg__MultiImage__fini(multi);

  // fini then init gives an empty message again.
  ASSERT_TRUE(orvane_h26x_msgs__msg__MultiImage__init(multi));
  expect_empty_members(*multi);
  orvane_h26x_msgs__msg__MultiImage__fini(multi);
}

TEST_F(PlainRecords, AreEqualComparesEveryFieldAndRejectsNull)
{
  std::mt19937 rng(1);
  Plain<orvane_h26x_msgs__msg__Image> a, b;
  randomize(*a, rng);
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__copy(a.get(), b.get()));
  EXPECT_TRUE(orvane_h26x_msgs__msg__Image__are_equal(a.get(), b.get()));
  EXPECT_TRUE(orvane_h26x_msgs__msg__Image__are_equal(a.get(), a.get()));
  EXPECT_FALSE(orvane_h26x_msgs__msg__Image__are_equal(a.get(), nullptr));
  EXPECT_FALSE(orvane_h26x_msgs__msg__Image__are_equal(nullptr, a.get()));
  EXPECT_FALSE(orvane_h26x_msgs__msg__Image__are_equal(nullptr, nullptr));
  b->is_bigendian ^= 1;
  EXPECT_FALSE(orvane_h26x_msgs__msg__Image__are_equal(a.get(), b.get()));
  b->is_bigendian ^= 1;
  b->step += 1;
  EXPECT_FALSE(orvane_h26x_msgs__msg__Image__are_equal(a.get(), b.get()));
  EXPECT_FALSE(orvane_h26x_msgs__msg__Image__copy(nullptr, b.get()));
  EXPECT_FALSE(orvane_h26x_msgs__msg__Image__copy(a.get(), nullptr));
  EXPECT_FALSE(orvane_h26x_msgs__msg__Image__init(nullptr));
  orvane_h26x_msgs__msg__Image__fini(nullptr);
}

TEST_F(PlainRecords, SequencesThatDifferOnlyInCapacityAreEqual)
{
  Plain<orvane_h26x_msgs__msg__Compressed> a, b;
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__init(&a->images, 1));
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__init(&b->images, 3));
  b->images.size = 1;  // capacity 3, one in use; the two unused stay initialised
  EXPECT_TRUE(orvane_h26x_msgs__msg__Compressed__are_equal(a.get(), b.get()));

  orvane_h26x_msgs__msg__Image__Sequence empty_without_storage{}, empty_with_storage{};
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__init(&empty_with_storage, 2));
  empty_with_storage.size = 0;
  EXPECT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__are_equal(&empty_without_storage, &empty_with_storage));
  orvane_h26x_msgs__msg__Image__Sequence__fini(&empty_with_storage);

  // Equal first elements, different sizes.
  b->images.size = 2;
  EXPECT_FALSE(orvane_h26x_msgs__msg__Image__Sequence__are_equal(&a->images, &b->images));
  EXPECT_FALSE(orvane_h26x_msgs__msg__Image__Sequence__are_equal(&a->images, nullptr));
}

TEST_F(PlainRecords, CopyOverLongerContentsLeavesAnEqualMessage)
{
  std::mt19937 rng(2);
  for (int round = 0; round < 20; ++round) {
    Plain<orvane_h26x_msgs__msg__MultiCompressed> source, destination;
    randomize(*source, rng, RandomShape{4, 8, 2});
    randomize(*destination, rng, RandomShape{30, 200, 4});
    ASSERT_TRUE(orvane_h26x_msgs__msg__MultiCompressed__copy(source.get(), destination.get()));
    EXPECT_TRUE(orvane_h26x_msgs__msg__MultiCompressed__are_equal(source.get(), destination.get()));
  }
}

TEST_F(PlainRecords, CopyOntoItselfChangesNothing)
{
  std::mt19937 rng(3);
  Plain<orvane_h26x_msgs__msg__MultiCompressed> message, reference;
  randomize(*message, rng, RandomShape{10, 50, 3});
  ASSERT_TRUE(orvane_h26x_msgs__msg__MultiCompressed__copy(message.get(), reference.get()));

  EXPECT_TRUE(orvane_h26x_msgs__msg__MultiCompressed__copy(message.get(), message.get()));
  EXPECT_TRUE(orvane_h26x_msgs__msg__MultiCompressed__are_equal(message.get(), reference.get()));
  EXPECT_TRUE(orvane_h26x_msgs__msg__MultiImage__Sequence__copy(&message->h26x_images, &message->h26x_images));
  EXPECT_TRUE(orvane_h26x_msgs__msg__MultiCompressed__are_equal(message.get(), reference.get()));
}

TEST_F(PlainRecords, SequenceInitCreateAndDestroy)
{
  orvane_h26x_msgs__msg__OriginalImage__Sequence sequence;
  std::memset(&sequence, 0x77, sizeof(sequence));
  const std::size_t requests = allocation_stats().requests;
  ASSERT_TRUE(orvane_h26x_msgs__msg__OriginalImage__Sequence__init(&sequence, 0));
  EXPECT_EQ(allocation_stats().requests, requests);
  EXPECT_EQ(sequence.data, nullptr);
  EXPECT_EQ(sequence.size, 0u);
  EXPECT_EQ(sequence.capacity, 0u);
  EXPECT_FALSE(orvane_h26x_msgs__msg__OriginalImage__Sequence__init(nullptr, 1));

  auto * created = orvane_h26x_msgs__msg__OriginalImage__Sequence__create(0);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->data, nullptr);
  orvane_h26x_msgs__msg__OriginalImage__Sequence__destroy(created);

  created = orvane_h26x_msgs__msg__OriginalImage__Sequence__create(3);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->size, 3u);
  EXPECT_EQ(created->capacity, 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    expect_empty_members(created->data[i]);
  }
  orvane_h26x_msgs__msg__OriginalImage__Sequence__destroy(created);

  // destroy(NULL) does nothing but hand NULL to deallocate.
  const AllocationStats before = allocation_stats();
  orvane_h26x_msgs__msg__OriginalImage__Sequence__destroy(nullptr);
  orvane_h26x_msgs__msg__OriginalImage__destroy(nullptr);
  EXPECT_EQ(allocation_stats().null_deallocations, before.null_deallocations + 2);
  EXPECT_EQ(allocation_stats().requests, before.requests);
}

TEST_F(PlainRecords, FiniReleasesEveryElementUpToCapacity)
{
  orvane_h26x_msgs__msg__Image__Sequence sequence;
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__init(&sequence, 5));
  // Elements beyond size still own storage of their own.
  for (std::size_t i = 0; i < 5; ++i) {
    ASSERT_TRUE(rosidl_runtime_c__String__assign(&sequence.data[i].encoding, "a longer text than before"));
    rosidl_runtime_c__uint8__Sequence__fini(&sequence.data[i].data);
    ASSERT_TRUE(rosidl_runtime_c__uint8__Sequence__init(&sequence.data[i].data, 16));
  }
  sequence.size = 2;
  orvane_h26x_msgs__msg__Image__Sequence__fini(&sequence);
  EXPECT_EQ(sequence.data, nullptr);
  EXPECT_EQ(sequence.size, 0u);
  EXPECT_EQ(sequence.capacity, 0u);
  orvane_h26x_msgs__msg__Image__Sequence__fini(&sequence);  // a second fini changes nothing
  EXPECT_EQ(sequence.data, nullptr);
}

TEST_F(PlainRecords, SequenceCopyNeverShrinksAndGrowsExactly)
{
  orvane_h26x_msgs__msg__Image__Sequence empty{}, two{}, four{}, destination{};
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__init(&two, 2));
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__init(&four, 4));
  for (std::size_t i = 0; i < 4; ++i) {
    four.data[i].count = 100 + i;
  }

  // Shrinking to 0 keeps the array and its capacity.
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__init(&destination, 3));
  orvane_h26x_msgs__msg__Image * array = destination.data;
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__copy(&empty, &destination));
  EXPECT_EQ(destination.size, 0u);
  EXPECT_EQ(destination.capacity, 3u);
  EXPECT_EQ(destination.data, array);
  orvane_h26x_msgs__msg__Image__Sequence__fini(&destination);

  // Growing from capacity 2 to exactly 4: one array request, then the
  // element copies.
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__init(&destination, 2));
  const std::size_t largest_before = allocation_stats().largest_request;
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__copy(&four, &destination));
  EXPECT_EQ(destination.size, 4u);
  EXPECT_EQ(destination.capacity, 4u);
  EXPECT_EQ(std::max(largest_before, 4 * sizeof(orvane_h26x_msgs__msg__Image)), allocation_stats().largest_request);
  EXPECT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__are_equal(&four, &destination));

  // Copying 2 into capacity 4 keeps the array and the capacity.
  array = destination.data;
  ASSERT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__copy(&two, &destination));
  EXPECT_EQ(destination.data, array);
  EXPECT_EQ(destination.size, 2u);
  EXPECT_EQ(destination.capacity, 4u);
  EXPECT_TRUE(orvane_h26x_msgs__msg__Image__Sequence__are_equal(&two, &destination));
  EXPECT_EQ(destination.data[3].count, 103u);  // retained, finalised by fini below

  EXPECT_FALSE(orvane_h26x_msgs__msg__Image__Sequence__copy(nullptr, &destination));
  EXPECT_FALSE(orvane_h26x_msgs__msg__Image__Sequence__copy(&two, nullptr));
  for (auto * sequence : {&two, &four, &destination}) {
    orvane_h26x_msgs__msg__Image__Sequence__fini(sequence);
  }
}

// ---- allocation failure at every request ----

// Runs `attempt` with the k-th allocation failing, for k = 1, 2, ... until an
// attempt needs no more than k - 1 requests and succeeds; `after` checks and
// cleans up each failed attempt. Returns the number of failed attempts.
template<class Attempt, class After>
std::size_t fail_every_request(Attempt attempt, After after)
{
  std::size_t failures = 0;
  for (std::size_t k = 1; k < 100000; ++k) {
    fail_request(k);
    const bool ok = attempt();
    fail_request(0);
    after(ok);
    if (ok) {
      return failures;
    }
    ++failures;
  }
  ADD_FAILURE() << "never succeeded";
  return failures;
}

const RandomShape kDeep{6, 10, 2};

TEST_F(PlainRecords, CreateFailsCleanlyAtEveryAllocation)
{
  const std::size_t failures = fail_every_request(
    [] {
      auto * record = orvane_h26x_msgs__msg__MultiCompressed__create();
      orvane_h26x_msgs__msg__MultiCompressed__destroy(record);
      return record != nullptr;
    },
    [](bool) {EXPECT_EQ(allocation_stats().live, 0u);});
  EXPECT_GE(failures, 2u);  // the record itself and the header's frame_id
}

TEST_F(PlainRecords, InitOnUnzeroedStorageFailsCleanlyAtEveryAllocation)
{
  for (auto fill : {0x00, 0xCD, 0xFF}) {
    alignas(orvane_h26x_msgs__msg__MultiImage) unsigned char storage[sizeof(orvane_h26x_msgs__msg__MultiImage)];
    auto * multi = reinterpret_cast<orvane_h26x_msgs__msg__MultiImage *>(storage);
    const std::size_t failures = fail_every_request(
      [&] {
        std::memset(storage, fill, sizeof(storage));
        return orvane_h26x_msgs__msg__MultiImage__init(multi);
      },
      [&](bool ok) {
        if (ok) {
          orvane_h26x_msgs__msg__MultiImage__fini(multi);
        }
        EXPECT_EQ(allocation_stats().live, 0u) << "fill " << fill;
      });
    EXPECT_GE(failures, 1u);
  }
}

TEST_F(PlainRecords, CopyFailsCleanlyAtEveryAllocation)
{
  std::mt19937 rng(4);
  Plain<orvane_h26x_msgs__msg__MultiCompressed> source;
  randomize(*source, rng, kDeep);
  for (bool destination_had_contents : {false, true}) {
    const std::size_t baseline = allocation_stats().live;
    auto * destination = orvane_h26x_msgs__msg__MultiCompressed__create();
    ASSERT_NE(destination, nullptr);
    if (destination_had_contents) {
      randomize(*destination, rng, kDeep);
    }
    const std::size_t failures = fail_every_request(
      [&] {return orvane_h26x_msgs__msg__MultiCompressed__copy(source.get(), destination);},
      [&](bool ok) {
        // Failed or not, the destination is an initialised message.
        expect_sequence_invariants(destination->h26x_images);
        expect_sequence_invariants(destination->original_images);
        for (std::size_t i = 0; i < destination->h26x_images.size; ++i) {
          expect_sequence_invariants(destination->h26x_images.data[i].header);
        }
        EXPECT_EQ(ok, orvane_h26x_msgs__msg__MultiCompressed__are_equal(source.get(), destination));
      });
    EXPECT_GE(failures, 3u);
    orvane_h26x_msgs__msg__MultiCompressed__destroy(destination);
    EXPECT_EQ(allocation_stats().live, baseline);
  }
}

TEST_F(PlainRecords, SequenceCopyFailsCleanlyAtEveryAllocation)
{
  std::mt19937 rng(5);
  orvane_h26x_msgs__msg__MultiImage__Sequence source{};
  ASSERT_TRUE(orvane_h26x_msgs__msg__MultiImage__Sequence__init(&source, 3));
  for (std::size_t i = 0; i < source.size; ++i) {
    randomize(source.data[i], rng, kDeep);
  }
  for (std::size_t held : {0u, 1u}) {
    const std::size_t baseline = allocation_stats().live;
    orvane_h26x_msgs__msg__MultiImage__Sequence destination{};
    ASSERT_TRUE(orvane_h26x_msgs__msg__MultiImage__Sequence__init(&destination, held));
    const std::size_t failures = fail_every_request(
      [&] {return orvane_h26x_msgs__msg__MultiImage__Sequence__copy(&source, &destination);},
      [&](bool ok) {
        expect_sequence_invariants(destination);
        if (held == 0 && destination.capacity == 0) {
          EXPECT_EQ(destination.data, nullptr);
        }
        EXPECT_EQ(ok, orvane_h26x_msgs__msg__MultiImage__Sequence__are_equal(&source, &destination));
      });
    EXPECT_GE(failures, 3u);
    orvane_h26x_msgs__msg__MultiImage__Sequence__fini(&destination);
    EXPECT_EQ(allocation_stats().live, baseline);
  }
  orvane_h26x_msgs__msg__MultiImage__Sequence__fini(&source);
}

// ---- invariant reports ----

using PlainRecordsDeathTest = PlainRecords;

TEST_F(PlainRecordsDeathTest, FiniReportsBrokenSequencesAndAborts)
{
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  // glibc's assertion report: the program's name comes first.
  const char * site = "test_plain_records: rosidl_generator_c/orvane_h26x_msgs/msg/detail/image__functions\\.cpp:[0-9]+: "
    "orvane_h26x_msgs__msg__Image__Sequence__fini: Assertion `";
  orvane_h26x_msgs__msg__Image element{};
  orvane_h26x_msgs__msg__Image__Sequence storage_without_capacity{&element, 0, 0};
  EXPECT_DEATH(
    orvane_h26x_msgs__msg__Image__Sequence__fini(&storage_without_capacity),
    std::string(site) + "array->capacity > 0' failed");
  orvane_h26x_msgs__msg__Image__Sequence size_without_storage{nullptr, 1, 0};
  EXPECT_DEATH(
    orvane_h26x_msgs__msg__Image__Sequence__fini(&size_without_storage),
    std::string(site) + "0 == array->size' failed");
  orvane_h26x_msgs__msg__Image__Sequence capacity_without_storage{nullptr, 0, 1};
  EXPECT_DEATH(
    orvane_h26x_msgs__msg__Image__Sequence__fini(&capacity_without_storage),
    std::string(site) + "0 == array->capacity' failed");
  // The same reports reach a nested sequence through the message's fini.
  orvane_h26x_msgs__msg__MultiCompressed multi{};
  ASSERT_TRUE(orvane_h26x_msgs__msg__MultiCompressed__init(&multi));
  multi.original_images.size = 2;
  EXPECT_DEATH(
    orvane_h26x_msgs__msg__MultiCompressed__fini(&multi),
    "original_image__functions\\.cpp:[0-9]+: orvane_h26x_msgs__msg__OriginalImage__Sequence__fini: "
    "Assertion `0 == array->size' failed");
  multi.original_images.size = 0;
  orvane_h26x_msgs__msg__MultiCompressed__fini(&multi);
}
}  // namespace
