// The C introspection type support as a C middleware uses it: handles,
// member tables and accessors over the plain records, nothing else.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "classes.hpp"
#include "counting_allocator.hpp"
#include "introspection.hpp"
#include "introspection_c.hpp"
#include "random_plain.hpp"

namespace
{
using namespace test_support;
using Member = rosidl_typesupport_introspection_c__MessageMember;
using Members = rosidl_typesupport_introspection_c__MessageMembers;

const Members * members_of(const rosidl_message_type_support_t * handle)
{
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_introspection_c__identifier);
  return static_cast<const Members *>(handle->data);
}

template<class Record>
const Members * table_of();
#define ORVANE_TEST_TABLE_OF(Msg) \
  template<> \
  const Members * table_of<orvane_h26x_msgs__msg__ ## Msg>() \
  { \
    return members_of( \
      rosidl_typesupport_introspection_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg()); \
  }
ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_TABLE_OF)

// ---- a generic walker: tables, accessors and the C runtime's string functions ----

bool walk_equal(const Members * table, const void * a, const void * b);

bool value_equal(const Member & member, const void * a, const void * b)
{
  switch (member.type_id_) {
    case rosidl_typesupport_introspection_c__ROS_TYPE_UINT8:
      return *static_cast<const uint8_t *>(a) == *static_cast<const uint8_t *>(b);
    case rosidl_typesupport_introspection_c__ROS_TYPE_INT32:
      return *static_cast<const int32_t *>(a) == *static_cast<const int32_t *>(b);
    case rosidl_typesupport_introspection_c__ROS_TYPE_UINT32:
      return *static_cast<const uint32_t *>(a) == *static_cast<const uint32_t *>(b);
    case rosidl_typesupport_introspection_c__ROS_TYPE_UINT64:
      return *static_cast<const uint64_t *>(a) == *static_cast<const uint64_t *>(b);
    case rosidl_typesupport_introspection_c__ROS_TYPE_STRING: {
        const auto * left = static_cast<const rosidl_runtime_c__String *>(a);
        const auto * right = static_cast<const rosidl_runtime_c__String *>(b);
        return left->size == right->size && std::memcmp(left->data, right->data, left->size) == 0;
      }
    case rosidl_typesupport_introspection_c__ROS_TYPE_MESSAGE: return walk_equal(members_of(member.members_), a, b);
    default:
      ADD_FAILURE() << "unexpected type " << int(member.type_id_) << " of " << member.name_;
      return false;
  }
}

bool walk_equal(const Members * table, const void * a, const void * b)
{
  for (uint32_t i = 0; i < table->member_count_; ++i) {
    const Member & member = table->members_[i];
    const char * left = static_cast<const char *>(a) + member.offset_;
    const char * right = static_cast<const char *>(b) + member.offset_;
    if (!member.is_array_) {
      if (!value_equal(member, left, right)) {
        return false;
      }
      continue;
    }
    const std::size_t size = member.size_function(left);
    if (size != member.size_function(right)) {
      return false;
    }
    for (std::size_t j = 0; j < size; ++j) {
      if (!value_equal(member, member.get_const_function(left, j), member.get_const_function(right, j))) {
        return false;
      }
    }
  }
  return true;
}

// Copies what `from` holds into the initialised record at `to`.
void walk_copy(const Members * table, void * to, const void * from)
{
  for (uint32_t i = 0; i < table->member_count_; ++i) {
    const Member & member = table->members_[i];
    char * target = static_cast<char *>(to) + member.offset_;
    const char * source = static_cast<const char *>(from) + member.offset_;
    if (member.is_array_) {
      const std::size_t size = member.size_function(source);
      ASSERT_TRUE(member.resize_function(target, size));
      for (std::size_t j = 0; j < size; ++j) {
        if (member.type_id_ == rosidl_typesupport_introspection_c__ROS_TYPE_MESSAGE) {
          walk_copy(members_of(member.members_), member.get_function(target, j), member.get_const_function(source, j));
        } else {
          member.assign_function(target, j, member.get_const_function(source, j));
        }
      }
      continue;
    }
    switch (member.type_id_) {
      case rosidl_typesupport_introspection_c__ROS_TYPE_UINT8: std::memcpy(target, source, 1); break;
      case rosidl_typesupport_introspection_c__ROS_TYPE_INT32:
      case rosidl_typesupport_introspection_c__ROS_TYPE_UINT32: std::memcpy(target, source, 4); break;
      case rosidl_typesupport_introspection_c__ROS_TYPE_UINT64: std::memcpy(target, source, 8); break;
      case rosidl_typesupport_introspection_c__ROS_TYPE_STRING: {
          const auto * text = reinterpret_cast<const rosidl_runtime_c__String *>(source);
          ASSERT_TRUE(rosidl_runtime_c__String__assignn(
              reinterpret_cast<rosidl_runtime_c__String *>(target), text->data, text->size));
          break;
        }
      case rosidl_typesupport_introspection_c__ROS_TYPE_MESSAGE:
        walk_copy(members_of(member.members_), target, source);
        break;
      default: ADD_FAILURE() << "unexpected type of " << member.name_;
    }
  }
}

// A record built in raw, dirty memory through the table's init and fini.
class RawRecord
{
public:
  explicit RawRecord(const Members * table)
  : table_(table), memory_(std::aligned_alloc(alignof(std::max_align_t), (table->size_of_ + 15) / 16 * 16))
  {
    std::memset(memory_, 0xA5, table->size_of_);
    table_->init_function(memory_, ROSIDL_RUNTIME_C_MSG_INIT_SKIP);
  }
  ~RawRecord()
  {
    table_->fini_function(memory_);
    std::free(memory_);
  }
  RawRecord(const RawRecord &) = delete;
  RawRecord & operator=(const RawRecord &) = delete;
  void * get() {return memory_;}

private:
  const Members * table_;
  void * memory_;
};

template<class Record>
void walker_agrees_with_are_equal(std::mt19937 & rng)
{
  const auto are_equal = detail::PlainFunctions<Record>::are_equal;
  const Members * table = table_of<Record>();
  for (int round = 0; round < 15; ++round) {
    Plain<Record> message, other;
    randomize(*message, rng);
    randomize(*other, rng);
    RawRecord copy(table);
    walk_copy(table, copy.get(), message.get());
    EXPECT_TRUE(are_equal(static_cast<const Record *>(copy.get()), message.get())) << table->message_name_;
    EXPECT_TRUE(walk_equal(table, copy.get(), message.get()));
    EXPECT_EQ(walk_equal(table, message.get(), other.get()), are_equal(message.get(), other.get()));
    // A copy of `other` over the same record replaces every field.
    walk_copy(table, copy.get(), other.get());
    EXPECT_TRUE(are_equal(static_cast<const Record *>(copy.get()), other.get()));
  }
}

TEST(IntrospectionC, AGenericWalkerCopiesAndComparesLikeAreEqualWithoutLeaks)
{
  reset_allocations();
  {
    std::mt19937 rng(41);
#define ORVANE_TEST_WALKER(Msg) walker_agrees_with_are_equal<orvane_h26x_msgs__msg__ ## Msg>(rng);
    ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_WALKER)
  }
  EXPECT_GT(allocation_stats().requests, 0u);
  EXPECT_EQ(allocation_stats().live, 0u);
}

TEST(IntrospectionC, TheWalkerSeesSingleFieldChangesThreeLevelsDown)
{
  std::mt19937 rng(42);
  Plain<orvane_h26x_msgs__msg__MultiCompressed> message, changed;
  do {
    randomize(*message, rng, RandomShape{6, 10, 3});
  } while (message->h26x_images.size == 0 || message->h26x_images.data[0].header.size == 0);
  const Members * table = table_of<orvane_h26x_msgs__msg__MultiCompressed>();
  ASSERT_TRUE(orvane_h26x_msgs__msg__MultiCompressed__copy(message.get(), changed.get()));
  EXPECT_TRUE(walk_equal(table, message.get(), changed.get()));
  changed->h26x_images.data[0].header.data[0].stamp.nanosec ^= 1;  // MultiCompressed > MultiImage > Header > Time
  EXPECT_FALSE(walk_equal(table, message.get(), changed.get()));
}

// ---- accessors ----

const Member & member_named(const Members * table, const std::string & name)
{
  for (uint32_t i = 0; i < table->member_count_; ++i) {
    if (name == table->members_[i].name_) {
      return table->members_[i];
    }
  }
  throw std::runtime_error("no member " + name);
}

TEST(IntrospectionC, ResizeGivesExactlyTheNewSizeKeepsTheFirstElementsAndSurvivesFailure)
{
  reset_allocations();
  {
    Plain<orvane_h26x_msgs__msg__MultiImage> multi;
    const Members * table = table_of<orvane_h26x_msgs__msg__MultiImage>();
    const Member & topics = member_named(table, "topic_name");
    auto * topic_member = reinterpret_cast<char *>(multi.get()) + topics.offset_;
    ASSERT_TRUE(topics.resize_function(topic_member, 3));
    ASSERT_TRUE(rosidl_runtime_c__String__assign(&multi->topic_name.data[0], "/left"));
    ASSERT_TRUE(rosidl_runtime_c__String__assign(&multi->topic_name.data[1], "/right"));
    ASSERT_TRUE(topics.resize_function(topic_member, 2));
    EXPECT_EQ(multi->topic_name.size, 2u);
    EXPECT_EQ(multi->topic_name.capacity, 2u);
    EXPECT_STREQ(multi->topic_name.data[1].data, "/right");
    ASSERT_TRUE(topics.resize_function(topic_member, 4));
    EXPECT_STREQ(multi->topic_name.data[0].data, "/left");
    EXPECT_STREQ(multi->topic_name.data[3].data, "");

    const Member & data = member_named(table, "data");
    auto * data_member = reinterpret_cast<char *>(multi.get()) + data.offset_;
    ASSERT_TRUE(data.resize_function(data_member, 3));
    multi->data.data[0] = 7;
    multi->data.data[2] = 9;
    ASSERT_TRUE(data.resize_function(data_member, 5));
    EXPECT_EQ(multi->data.size, 5u);
    EXPECT_EQ(multi->data.data[0], 7);
    EXPECT_EQ(multi->data.data[2], 9);
    EXPECT_EQ(multi->data.data[4], 0);

    // A failed allocation reports false and leaves the member as it was.
    fail_request(1);
    EXPECT_FALSE(topics.resize_function(topic_member, 10));
    fail_request(0);
    EXPECT_EQ(multi->topic_name.size, 4u);
    EXPECT_STREQ(multi->topic_name.data[0].data, "/left");

    const Member & headers = member_named(table, "header");
    auto * header_member = reinterpret_cast<char *>(multi.get()) + headers.offset_;
    ASSERT_TRUE(headers.resize_function(header_member, 2));
    ASSERT_TRUE(rosidl_runtime_c__String__assign(&multi->header.data[0].frame_id, "cam"));
    ASSERT_TRUE(headers.resize_function(header_member, 1));
    EXPECT_STREQ(multi->header.data[0].frame_id.data, "cam");
    ASSERT_TRUE(headers.resize_function(header_member, 0));
    EXPECT_EQ(multi->header.size, 0u);
  }
  EXPECT_EQ(allocation_stats().live, 0u);
}

TEST(IntrospectionC, FetchAndAssignMakeIndependentDeepCopies)
{
  reset_allocations();
  {
    std::mt19937 rng(43);
    Plain<orvane_h26x_msgs__msg__Compressed> compressed;
    Plain<orvane_h26x_msgs__msg__Image> element, fetched;
    do {
      randomize(*element, rng);
    } while (element->data.size == 0);
    const Member & images = member_named(table_of<orvane_h26x_msgs__msg__Compressed>(), "images");
    auto * images_member = reinterpret_cast<char *>(compressed.get()) + images.offset_;
    ASSERT_TRUE(images.resize_function(images_member, 1));
    images.assign_function(images_member, 0, element.get());
    EXPECT_TRUE(orvane_h26x_msgs__msg__Image__are_equal(&compressed->images.data[0], element.get()));
    EXPECT_NE(compressed->images.data[0].data.data, element->data.data);
    element->data.data[0] ^= 0xFF;
    EXPECT_FALSE(orvane_h26x_msgs__msg__Image__are_equal(&compressed->images.data[0], element.get()));

    images.fetch_function(images_member, 0, fetched.get());
    EXPECT_TRUE(orvane_h26x_msgs__msg__Image__are_equal(&compressed->images.data[0], fetched.get()));
    EXPECT_NE(fetched->data.data, compressed->images.data[0].data.data);
    EXPECT_EQ(images.get_const_function(images_member, 0), &compressed->images.data[0]);
    EXPECT_EQ(images.get_function(images_member, 0), &compressed->images.data[0]);
  }
  EXPECT_EQ(allocation_stats().live, 0u);
}

// ---- tables and handles, against the class tables ----

template<class Record>
void check_table_against_class_table()
{
  using Class = typename ClassOf<Record>::type;
  const rosidl_typesupport_introspection_cpp::MessageMembers * class_table =
    static_cast<const rosidl_typesupport_introspection_cpp::MessageMembers *>(
    rosidl_typesupport_introspection_cpp::get_message_type_support_handle<Class>()->data);
  const Members * table = table_of<Record>();
  EXPECT_STREQ(table->message_namespace_, "orvane_h26x_msgs__msg");
  EXPECT_STREQ(table->message_name_, class_table->message_name_);
  EXPECT_EQ(table->size_of_, sizeof(Record));
  ASSERT_EQ(table->member_count_, class_table->member_count_);

  Plain<Record> record;
  const char * base = reinterpret_cast<const char *>(record.get());
  detail::FieldList<Record>::visit(
    *record, [&](const auto & member, auto field) {
      using Field = std::decay_t<decltype(member)>;
      const Member & entry = table->members_[field.index];
      const auto & class_entry = class_table->members_[field.index];
      EXPECT_STREQ(entry.name_, class_entry.name_);
      EXPECT_EQ(entry.type_id_, class_entry.type_id_) << field.name;
      EXPECT_EQ(entry.is_array_, class_entry.is_array_) << field.name;
      EXPECT_EQ(entry.offset_, reinterpret_cast<const char *>(&member) - base) << field.name;
      const rosidl_message_type_support_t * nested = nullptr;
      constexpr detail::FieldKind kind = decltype(field)::kind;
      if constexpr (kind == detail::FieldKind::HEADER || kind == detail::FieldKind::HEADER_SEQUENCE) {
        nested = rosidl_typesupport_introspection_c__get_message_type_support_handle__std_msgs__msg__Header();
      } else if constexpr (kind == detail::FieldKind::MESSAGE_SEQUENCE) {
        EXPECT_EQ(members_of(entry.members_), table_of<detail::ElementOf<Field>>()) << field.name;
        return true;
      }
      EXPECT_EQ(entry.members_, nested) << field.name;
      return true;
    });
}

TEST(IntrospectionC, TablesMatchTheClassTablesAndTheRecordsLayout)
{
  EXPECT_STREQ(rosidl_typesupport_introspection_c__identifier, "rosidl_typesupport_introspection_c");
#define ORVANE_TEST_TABLE(Msg) check_table_against_class_table<orvane_h26x_msgs__msg__ ## Msg>();
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_TABLE)
}

}  // namespace
