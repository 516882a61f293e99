#ifndef ORVANE_H26X_MSGS__TEST__RANDOM_PLAIN_HPP_
#define ORVANE_H26X_MSGS__TEST__RANDOM_PLAIN_HPP_

// Owning wrapper and random contents for the plain records in tests.

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <type_traits>

#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"
#include "std_msgs/msg/detail/header__functions.h"
#include "plain_messages.hpp"  // the package's own field lists of the records

namespace test_support
{
namespace detail = orvane_h26x_msgs::msg::detail;

// A plain record from create(), released by destroy().
template<class Record>
class Plain
{
public:
  Plain() : record_(create()) {}
  ~Plain() {detail::PlainFunctions<Record>::fini(record_); std::free(record_);}
  Plain(const Plain &) = delete;
  Plain & operator=(const Plain &) = delete;
  Record * get() {return record_;}
  const Record * get() const {return record_;}
  Record & operator*() {return *record_;}
  const Record & operator*() const {return *record_;}
  Record * operator->() {return record_;}
  const Record * operator->() const {return record_;}

private:
  static Record * create()
  {
    auto * record = static_cast<Record *>(std::calloc(1, sizeof(Record)));
    detail::PlainFunctions<Record>::init(record);
    return record;
  }
  Record * record_;
};

struct RandomShape
{
  std::size_t max_string = 12;
  std::size_t max_bytes = 40;
  std::size_t max_items = 3;  // strings, headers and nested messages per sequence
};

inline std::string random_text(std::mt19937 & rng, std::size_t max_length)
{
  std::uniform_int_distribution<std::size_t> length(0, max_length);
  std::uniform_int_distribution<int> letter('a', 'z');
  std::string text(length(rng), ' ');
  for (char & c : text) {
    c = static_cast<char>(letter(rng));
  }
  return text;
}

inline void random_header(std_msgs__msg__Header & header, std::mt19937 & rng, const RandomShape & shape)
{
  header.stamp.sec = static_cast<int32_t>(rng());
  header.stamp.nanosec = static_cast<uint32_t>(rng());
  rosidl_runtime_c__String__assign(&header.frame_id, random_text(rng, shape.max_string).c_str());
}

// Fills an initialised record with random contents, nested messages included.
template<class Record>
void randomize(Record & record, std::mt19937 & rng, const RandomShape & shape = {})
{
  std::uniform_int_distribution<std::size_t> items(0, shape.max_items);
  detail::FieldList<Record>::visit(
    record, [&](auto & member, auto field) {
      using Member = std::decay_t<decltype(member)>;
      constexpr detail::FieldKind kind = decltype(field)::kind;
      if constexpr (std::is_integral_v<Member>) {
        member = static_cast<Member>(rng());
      } else if constexpr (kind == detail::FieldKind::STRING) {
        rosidl_runtime_c__String__assign(&member, random_text(rng, shape.max_string).c_str());
      } else if constexpr (kind == detail::FieldKind::HEADER) {
        random_header(member, rng, shape);
      } else if constexpr (kind == detail::FieldKind::UINT8_SEQUENCE) {
        rosidl_runtime_c__uint8__Sequence__fini(&member);
        rosidl_runtime_c__uint8__Sequence__init(
          &member, std::uniform_int_distribution<std::size_t>(0, shape.max_bytes)(rng));
        for (std::size_t i = 0; i < member.size; ++i) {
          member.data[i] = static_cast<uint8_t>(rng());
        }
      } else if constexpr (kind == detail::FieldKind::STRING_SEQUENCE) {
        rosidl_runtime_c__String__Sequence__fini(&member);
        rosidl_runtime_c__String__Sequence__init(&member, items(rng));
        for (std::size_t i = 0; i < member.size; ++i) {
          rosidl_runtime_c__String__assign(&member.data[i], random_text(rng, shape.max_string).c_str());
        }
      } else if constexpr (kind == detail::FieldKind::HEADER_SEQUENCE) {
        std_msgs__msg__Header__Sequence__fini(&member);
        std_msgs__msg__Header__Sequence__init(&member, items(rng));
        for (std::size_t i = 0; i < member.size; ++i) {
          random_header(member.data[i], rng, shape);
        }
      } else {
        using Element = detail::ElementOf<Member>;
        detail::PlainFunctions<Element>::sequence_fini(&member);
        detail::PlainFunctions<Element>::sequence_init(&member, items(rng));
        for (std::size_t i = 0; i < member.size; ++i) {
          randomize(member.data[i], rng, shape);
        }
      }
      return true;
    });
}

}  // namespace test_support

#endif  // ORVANE_H26X_MSGS__TEST__RANDOM_PLAIN_HPP_
