// Many threads at once serialize, deserialize, size and introspect their own
// messages through the same handles, tables and records, and resolve the
// dispatch handles for the first time. Every result must equal what one
// thread computed before; ThreadSanitizer runs this too.

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "classes.hpp"
#include "introspection.hpp"
#include "introspection_c.hpp"
#include "rosidl_typesupport_cpp/message_type_support.hpp"
#include "orvane_h26x_msgs/msg/compressed.h"
#include "orvane_h26x_msgs/msg/dual_compressed_image.h"
#include "orvane_h26x_msgs/msg/image.h"
#include "orvane_h26x_msgs/msg/multi_compressed.h"
#include "orvane_h26x_msgs/msg/multi_image.h"
#include "orvane_h26x_msgs/msg/original_image.h"

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

// What the dispatch handles of one message must resolve to: the concrete
// libraries' own handles.
struct Resolution
{
  const rosidl_message_type_support_t * dispatch;
  const char * identifier;
  const rosidl_message_type_support_t * expected;
};

std::vector<Resolution> every_resolution()
{
  std::vector<Resolution> all;
#define ORVANE_TEST_RESOLUTIONS(Msg) \
  { \
    using Class = orvane_h26x_msgs::msg::Msg; \
    const auto * c = rosidl_typesupport_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg(); \
    const auto * cpp = rosidl_typesupport_cpp::get_message_type_support_handle<Class>(); \
    all.push_back({c, "rosidl_typesupport_fastrtps_c", \
        rosidl_typesupport_fastrtps_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg()}); \
    all.push_back({c, "rosidl_typesupport_introspection_c", \
        rosidl_typesupport_introspection_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg()}); \
    all.push_back({cpp, "rosidl_typesupport_fastrtps_cpp", \
        rosidl_typesupport_fastrtps_cpp::get_message_type_support_handle<Class>()}); \
    all.push_back({cpp, "rosidl_typesupport_introspection_cpp", \
        rosidl_typesupport_introspection_cpp::get_message_type_support_handle<Class>()}); \
  }
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_RESOLUTIONS)
  return all;
}

TEST(Concurrency, EightThreadsResolveEveryDispatchHandleForTheFirstTime)
{
  const std::vector<Resolution> resolutions = every_resolution();
  ASSERT_EQ(resolutions.size(), 24u);
  constexpr int kThreads = 8;
  std::atomic<int> waiting{kThreads};
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back(
      [&, t] {
        --waiting;
        while (waiting.load() > 0) {
          std::this_thread::yield();
        }
        // Each thread walks the list from its own place, so that first
        // loads of every library race each other.
        for (std::size_t i = 0; i < resolutions.size(); ++i) {
          const Resolution & r = resolutions[(i + 3 * t) % resolutions.size()];
          if (get_message_typesupport_handle(r.dispatch, r.identifier) != r.expected) {
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
