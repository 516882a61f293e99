#ifndef ORVANE_H26X_MSGS__COMMON__PLAIN_RECORD_OPS_HPP_
#define ORVANE_H26X_MSGS__COMMON__PLAIN_RECORD_OPS_HPP_

// init, fini, are_equal, copy, create and destroy of any plain record and of
// its sequence, walking the record's field list.

#include <cstdlib>
#include <cstring>

#include "rcutils/allocator.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"
#include "std_msgs/msg/detail/header__functions.h"
#include "plain_messages.hpp"

namespace orvane_h26x_msgs::msg::detail
{

// ---- one member, by field kind ----

// A sequence member of kind Kind as a plain sequence of `size` initialised elements.
template<FieldKind Kind, class Sequence>
bool init_sequence(Sequence & sequence, std::size_t size)
{
  if constexpr (Kind == FieldKind::UINT8_SEQUENCE) {
    return rosidl_runtime_c__uint8__Sequence__init(&sequence, size);
  } else if constexpr (Kind == FieldKind::STRING_SEQUENCE) {
    return rosidl_runtime_c__String__Sequence__init(&sequence, size);
  } else if constexpr (Kind == FieldKind::HEADER_SEQUENCE) {
    return std_msgs__msg__Header__Sequence__init(&sequence, size);
  } else {
    return PlainFunctions<ElementOf<Sequence>>::sequence_init(&sequence, size);
  }
}

template<FieldKind Kind, class Member>
bool init_member(Member & member)
{
  if constexpr (is_integer(Kind)) {
    (void)member;  // integers keep what the storage held
    return true;
  } else {
    // The dependencies' init functions finalise their whole record when an
    // allocation fails; on storage that was never zeroed that would release
    // garbage. Zeroing first makes the failure path sound on any storage.
    std::memset(static_cast<void *>(&member), 0, sizeof(member));
    if constexpr (Kind == FieldKind::STRING) {
      return rosidl_runtime_c__String__init(&member);
    } else if constexpr (Kind == FieldKind::HEADER) {
      return std_msgs__msg__Header__init(&member);
    } else {
      return init_sequence<Kind>(member, 0);
    }
  }
}

template<FieldKind Kind, class Member>
void fini_member(Member & member)
{
  if constexpr (Kind == FieldKind::STRING) {
    rosidl_runtime_c__String__fini(&member);
  } else if constexpr (Kind == FieldKind::UINT8_SEQUENCE) {
    rosidl_runtime_c__uint8__Sequence__fini(&member);
  } else if constexpr (Kind == FieldKind::STRING_SEQUENCE) {
    rosidl_runtime_c__String__Sequence__fini(&member);
  } else if constexpr (Kind == FieldKind::HEADER) {
    std_msgs__msg__Header__fini(&member);
  } else if constexpr (Kind == FieldKind::HEADER_SEQUENCE) {
    std_msgs__msg__Header__Sequence__fini(&member);
  } else if constexpr (Kind == FieldKind::MESSAGE_SEQUENCE) {
    PlainFunctions<ElementOf<Member>>::sequence_fini(&member);
  } else {
    (void)member;
  }
}

template<FieldKind Kind, class Member>
bool member_equal(const Member & lhs, const Member & rhs)
{
  if constexpr (Kind == FieldKind::STRING) {
    return rosidl_runtime_c__String__are_equal(&lhs, &rhs);
  } else if constexpr (Kind == FieldKind::UINT8_SEQUENCE) {
    return rosidl_runtime_c__uint8__Sequence__are_equal(&lhs, &rhs);
  } else if constexpr (Kind == FieldKind::STRING_SEQUENCE) {
    return rosidl_runtime_c__String__Sequence__are_equal(&lhs, &rhs);
  } else if constexpr (Kind == FieldKind::HEADER) {
    return std_msgs__msg__Header__are_equal(&lhs, &rhs);
  } else if constexpr (Kind == FieldKind::HEADER_SEQUENCE) {
    return std_msgs__msg__Header__Sequence__are_equal(&lhs, &rhs);
  } else if constexpr (Kind == FieldKind::MESSAGE_SEQUENCE) {
    return PlainFunctions<ElementOf<Member>>::sequence_are_equal(&lhs, &rhs);
  } else {
    return lhs == rhs;
  }
}

template<FieldKind Kind, class Member>
bool copy_member(const Member & input, Member & output)
{
  if constexpr (Kind == FieldKind::STRING) {
    return rosidl_runtime_c__String__copy(&input, &output);
  } else if constexpr (Kind == FieldKind::UINT8_SEQUENCE) {
    return rosidl_runtime_c__uint8__Sequence__copy(&input, &output);
  } else if constexpr (Kind == FieldKind::STRING_SEQUENCE) {
    return rosidl_runtime_c__String__Sequence__copy(&input, &output);
  } else if constexpr (Kind == FieldKind::HEADER) {
    return std_msgs__msg__Header__copy(&input, &output);
  } else if constexpr (Kind == FieldKind::HEADER_SEQUENCE) {
    // std_msgs' sequence copy grows into memory it does not zero, and when an
    // allocation fails there it can leave storage behind a capacity of 0.
    // Growing through its init, which zero-allocates, keeps failures sound.
    if (output.capacity < input.size) {
      std_msgs__msg__Header__Sequence grown;
      if (!std_msgs__msg__Header__Sequence__init(&grown, input.size)) {
        return false;
      }
      std_msgs__msg__Header__Sequence__fini(&output);
      output = grown;
    }
    return std_msgs__msg__Header__Sequence__copy(&input, &output);
  } else if constexpr (Kind == FieldKind::MESSAGE_SEQUENCE) {
    return PlainFunctions<ElementOf<Member>>::sequence_copy(&input, &output);
  } else {
    output = input;
    return true;
  }
}

// ---- records ----

template<class Message>
bool record_init(Message * msg)
{
  if (!msg) {
    return false;
  }
  std::size_t initialised = 0;
  const bool ok = FieldList<Message>::visit(
    *msg, [&](auto & member, auto field) {
      if (!init_member<decltype(field)::kind>(member)) {
        return false;
      }
      ++initialised;
      return true;
    });
  if (!ok) {
    // Only the members before the failing one hold anything to release.
    FieldList<Message>::visit(
      *msg, [&](auto & member, auto field) {
        if (field.index < initialised) {
          fini_member<decltype(field)::kind>(member);
        }
        return true;
      });
  }
  return ok;
}

template<class Message>
void record_fini(Message * msg)
{
  if (!msg) {
    return;
  }
  FieldList<Message>::visit(
    *msg, [](auto & member, auto field) {
      fini_member<decltype(field)::kind>(member);
      return true;
    });
}

template<class Message>
bool record_are_equal(const Message * lhs, const Message * rhs)
{
  if (!lhs || !rhs) {
    return false;
  }
  return FieldList<Message>::visit_pair(
    *lhs, *rhs, [](const auto & left, const auto & right, auto field) {
      return member_equal<decltype(field)::kind>(left, right);
    });
}

template<class Message>
bool record_copy(const Message * input, Message * output)
{
  if (!input || !output) {
    return false;
  }
  if (input == output) {
    // The runtime's copy functions would read the buffers they reallocate.
    return true;
  }
  return FieldList<Message>::visit_pair(
    *input, *output, [](const auto & in, auto & out, auto field) {
      return copy_member<decltype(field)::kind>(in, out);
    });
}

template<class Message>
Message * record_create()
{
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  auto * msg = static_cast<Message *>(allocator.allocate(sizeof(Message), allocator.state));
  if (!msg) {
    return nullptr;
  }
  std::memset(static_cast<void *>(msg), 0, sizeof(Message));
  if (!PlainFunctions<Message>::init(msg)) {
    allocator.deallocate(msg, allocator.state);
    return nullptr;
  }
  return msg;
}

template<class Message>
void record_destroy(Message * msg)
{
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  if (msg) {
    PlainFunctions<Message>::fini(msg);
  }
  allocator.deallocate(msg, allocator.state);
}

// ---- sequences ----

// Where a sequence function was compiled from, for its invariant reports.
struct SourceSite
{
  const char * file;
  int line;
  const char * function;
};

}  // namespace orvane_h26x_msgs::msg::detail

// glibc's assertion report (program name, source, line, function, text)
// and abort; <assert.h> declares it only while NDEBUG is undefined.
extern "C" [[noreturn]] void __assert_fail(
  const char * assertion, const char * file, unsigned int line, const char * function) noexcept;

namespace orvane_h26x_msgs::msg::detail
{

// Reports through the standard assertion facility, also when NDEBUG is
// defined: a broken sequence record must never be released.
[[noreturn]] inline void invariant_failed(const char * expression, const SourceSite & site)
{
  __assert_fail(expression, site.file, static_cast<unsigned int>(site.line), site.function);
}

#define ORVANE_H26X_MSGS__CHECK_INVARIANT(expression, site) \
  ((expression) ? (void)0 : ::orvane_h26x_msgs::msg::detail::invariant_failed(#expression, site))

template<class Message, class Sequence = typename PlainFunctions<Message>::Sequence>
bool sequence_init(Sequence * array, std::size_t size)
{
  if (!array) {
    return false;
  }
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  Message * data = nullptr;
  if (size) {
    data = static_cast<Message *>(allocator.zero_allocate(size, sizeof(Message), allocator.state));
    if (!data) {
      return false;
    }
    for (std::size_t i = 0; i < size; ++i) {
      if (!PlainFunctions<Message>::init(&data[i])) {
        while (i-- > 0) {
          PlainFunctions<Message>::fini(&data[i]);
        }
        allocator.deallocate(data, allocator.state);
        return false;
      }
    }
  }
  array->data = data;
  array->size = size;
  array->capacity = size;
  return true;
}

template<class Message, class Sequence = typename PlainFunctions<Message>::Sequence>
void sequence_fini(Sequence * array, const SourceSite & site)
{
  if (!array) {
    return;
  }
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  if (array->data) {
    ORVANE_H26X_MSGS__CHECK_INVARIANT(array->capacity > 0, site);
    for (std::size_t i = 0; i < array->capacity; ++i) {
      PlainFunctions<Message>::fini(&array->data[i]);
    }
    allocator.deallocate(array->data, allocator.state);
    array->data = nullptr;
    array->size = 0;
    array->capacity = 0;
  } else {
    ORVANE_H26X_MSGS__CHECK_INVARIANT(0 == array->size, site);
    ORVANE_H26X_MSGS__CHECK_INVARIANT(0 == array->capacity, site);
  }
}

template<class Message, class Sequence = typename PlainFunctions<Message>::Sequence>
Sequence * sequence_create(std::size_t size)
{
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  auto * array = static_cast<Sequence *>(allocator.allocate(sizeof(Sequence), allocator.state));
  if (!array) {
    return nullptr;
  }
  if (!PlainFunctions<Message>::sequence_init(array, size)) {
    allocator.deallocate(array, allocator.state);
    return nullptr;
  }
  return array;
}

template<class Message, class Sequence = typename PlainFunctions<Message>::Sequence>
void sequence_destroy(Sequence * array)
{
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  if (array) {
    PlainFunctions<Message>::sequence_fini(array);
  }
  allocator.deallocate(array, allocator.state);
}

template<class Message, class Sequence = typename PlainFunctions<Message>::Sequence>
bool sequence_are_equal(const Sequence * lhs, const Sequence * rhs)
{
  if (!lhs || !rhs || lhs->size != rhs->size) {
    return false;
  }
  for (std::size_t i = 0; i < lhs->size; ++i) {
    if (!PlainFunctions<Message>::are_equal(&lhs->data[i], &rhs->data[i])) {
      return false;
    }
  }
  return true;
}

template<class Message, class Sequence = typename PlainFunctions<Message>::Sequence>
bool sequence_copy(const Sequence * input, Sequence * output)
{
  if (!input || !output) {
    return false;
  }
  if (input == output) {
    return true;
  }
  if (output->capacity < input->size) {
    rcutils_allocator_t allocator = rcutils_get_default_allocator();
    const std::size_t old_capacity = output->capacity;
    auto * data = static_cast<Message *>(
      allocator.reallocate(output->data, input->size * sizeof(Message), allocator.state));
    if (!data) {
      return false;
    }
    output->data = data;
    for (std::size_t i = old_capacity; i < input->size; ++i) {
      if (!PlainFunctions<Message>::init(&data[i])) {
        while (i-- > old_capacity) {
          PlainFunctions<Message>::fini(&data[i]);
        }
        if (old_capacity == 0) {
          // A sequence without storage must stay without storage.
          allocator.deallocate(data, allocator.state);
          output->data = nullptr;
        }
        return false;
      }
    }
    output->capacity = input->size;
  }
  output->size = input->size;
  for (std::size_t i = 0; i < input->size; ++i) {
    if (!PlainFunctions<Message>::copy(&input->data[i], &output->data[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace orvane_h26x_msgs::msg::detail

// The twelve exported functions of one message, each a call into the
// generic code above. Expanded once per message in its own source file, so
// that invariant reports name that file and the exported function.
#define ORVANE_H26X_MSGS__DEFINE_PLAIN_FUNCTIONS(Msg) \
  namespace ns_ = ::orvane_h26x_msgs::msg::detail; \
  using Record_ = orvane_h26x_msgs__msg__ ## Msg; \
  using Sequence_ = orvane_h26x_msgs__msg__ ## Msg ## __Sequence; \
  extern "C" { \
  bool orvane_h26x_msgs__msg__ ## Msg ## __init(Record_ * msg) {return ns_::record_init(msg);} \
  void orvane_h26x_msgs__msg__ ## Msg ## __fini(Record_ * msg) {ns_::record_fini(msg);} \
  bool orvane_h26x_msgs__msg__ ## Msg ## __are_equal(const Record_ * lhs, const Record_ * rhs) \
  { \
    return ns_::record_are_equal(lhs, rhs); \
  } \
  bool orvane_h26x_msgs__msg__ ## Msg ## __copy(const Record_ * input, Record_ * output) \
  { \
    return ns_::record_copy(input, output); \
  } \
  Record_ * orvane_h26x_msgs__msg__ ## Msg ## __create(void) {return ns_::record_create<Record_>();} \
  void orvane_h26x_msgs__msg__ ## Msg ## __destroy(Record_ * msg) {ns_::record_destroy(msg);} \
  bool orvane_h26x_msgs__msg__ ## Msg ## __Sequence__init(Sequence_ * array, size_t size) \
  { \
    return ns_::sequence_init<Record_>(array, size); \
  } \
  void orvane_h26x_msgs__msg__ ## Msg ## __Sequence__fini(Sequence_ * array) \
  { \
    ns_::sequence_fini<Record_>(array, ns_::SourceSite{__FILE__, __LINE__, __func__}); \
  } \
  bool orvane_h26x_msgs__msg__ ## Msg ## __Sequence__are_equal( \
    const Sequence_ * lhs, const Sequence_ * rhs) \
  { \
    return ns_::sequence_are_equal<Record_>(lhs, rhs); \
  } \
  bool orvane_h26x_msgs__msg__ ## Msg ## __Sequence__copy(const Sequence_ * input, Sequence_ * output) \
  { \
    return ns_::sequence_copy<Record_>(input, output); \
  } \
  Sequence_ * orvane_h26x_msgs__msg__ ## Msg ## __Sequence__create(size_t size) \
  { \
    return ns_::sequence_create<Record_>(size); \
  } \
  void orvane_h26x_msgs__msg__ ## Msg ## __Sequence__destroy(Sequence_ * array) \
  { \
    ns_::sequence_destroy<Record_>(array); \
  } \
  }

#endif  // ORVANE_H26X_MSGS__COMMON__PLAIN_RECORD_OPS_HPP_
