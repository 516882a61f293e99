// Many threads at once serialize, deserialize, size and introspect their own
// messages through the same handles, tables and records. Every result must
// equal what one thread computed before; ThreadSanitizer runs this too.

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "classes.hpp"
#include "introspection.hpp"

namespace
{
using namespace test_support;

template<class Record>
struct Work
{
  using Class = typename ClassOf<Record>::type;
  Work(unsigned seed)
  {
    std::mt19937 rng(seed);
    randomize(*plain, rng);
    bytes = write_plain(*plain);
    read_class(bytes, object);
  }
  Plain<Record> plain;
  Class object;
  Bytes bytes;
};

// One round of everything a node does with a message, on this thread's own
// copies; false at the first result that differs from the reference.
template<class Record>
bool one_round(const Work<Record> & work)
{
  using Class = typename ClassOf<Record>::type;
  const auto * plain_callbacks = test_support::plain_callbacks<Record>();
  const auto * class_callbacks = static_cast<const message_type_support_callbacks_t *>(
    rosidl_typesupport_fastrtps_cpp::get_message_type_support_handle<Class>()->data);
  const auto * table = static_cast<const rosidl_typesupport_introspection_cpp::MessageMembers *>(
    rosidl_typesupport_introspection_cpp::get_message_type_support_handle<Class>()->data);

  if (plain_callbacks->get_serialized_size(work.plain.get()) != work.bytes.size() ||
    class_callbacks->get_serialized_size(&work.object) != work.bytes.size())
  {
    return false;
  }
  if (write_plain(*work.plain) != work.bytes || write_class(work.object) != work.bytes) {
    return false;
  }
  Plain<Record> plain_copy;
  Reader reader(work.bytes, kLittle);
  if (!plain_callbacks->cdr_deserialize(reader.cdr(), plain_copy.get()) ||
    !detail::PlainFunctions<Record>::are_equal(plain_copy.get(), work.plain.get()))
  {
    return false;
  }
  // Through the introspection table: a fresh object, copied member by member
  // for the scalars and by the sequence accessors for the rest.
  alignas(Class) unsigned char memory[sizeof(Class)];
  table->init_function(memory, rosidl_runtime_cpp::MessageInitialization::ALL);
  auto & object = *reinterpret_cast<Class *>(memory);
  object = work.object;
  bool same = object == work.object;
  for (uint32_t i = 0; i < table->member_count_; ++i) {
    const auto & member = table->members_[i];
    if (member.is_array_) {
      const void * at = reinterpret_cast<const char *>(&work.object) + member.offset_;
      same = same && member.size_function(reinterpret_cast<char *>(memory) + member.offset_) == member.size_function(at);
    }
  }
  table->fini_function(memory);
  return same;
}

TEST(Concurrency, ThreadsShareHandlesAndTablesSafely)
{
  constexpr int kThreads = 8;
  constexpr int kRounds = 200;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back(
      [t, &failures] {
        Work<orvane_h26x_msgs__msg__Image> image(100 + t);
        Work<orvane_h26x_msgs__msg__Compressed> compressed(200 + t);
        Work<orvane_h26x_msgs__msg__DualCompressedImage> dual(300 + t);
        Work<orvane_h26x_msgs__msg__OriginalImage> original(400 + t);
        Work<orvane_h26x_msgs__msg__MultiImage> multi(500 + t);
        Work<orvane_h26x_msgs__msg__MultiCompressed> multi_compressed(600 + t);
        for (int round = 0; round < kRounds; ++round) {
          const bool ok = one_round(image) && one_round(compressed) && one_round(dual) &&
          one_round(original) && one_round(multi) && one_round(multi_compressed);
          if (!ok) {
            ++failures;
          }
        }
      });
  }
  for (auto & thread : threads) {
    thread.join();
  }
  EXPECT_EQ(failures.load(), 0);
}
}  // namespace
