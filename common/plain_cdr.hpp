#ifndef ORVANE_H26X_MSGS__COMMON__PLAIN_CDR_HPP_
#define ORVANE_H26X_MSGS__COMMON__PLAIN_CDR_HPP_

// Serialize, deserialize and sizes of any plain record, walking its field
// list. Failures return false with one fixed line on stderr; exceptions of
// the stream pass through.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "std_msgs/msg/detail/header__functions.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/detail/compressed__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/detail/image__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/detail/multi_image__rosidl_typesupport_fastrtps_c.h"
#include "orvane_h26x_msgs/msg/detail/original_image__rosidl_typesupport_fastrtps_c.h"
#include "cdr_common.hpp"
#include "plain_messages.hpp"

namespace orvane_h26x_msgs::msg::detail
{

using eprosima::fastcdr::Cdr;

// This library's exported entry points of each record.
template<class Message>
struct PlainCdrFunctions;

#define ORVANE_H26X_MSGS__PLAIN_CDR_FUNCTIONS(Msg) \
  template<> \
  struct PlainCdrFunctions<orvane_h26x_msgs__msg__ ## Msg> \
  { \
    static constexpr auto handle = \
      &rosidl_typesupport_fastrtps_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg; \
    static constexpr auto size = &get_serialized_size_orvane_h26x_msgs__msg__ ## Msg; \
  };
ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_H26X_MSGS__PLAIN_CDR_FUNCTIONS)
#undef ORVANE_H26X_MSGS__PLAIN_CDR_FUNCTIONS

struct PlainNested
{
  static std::size_t header_size(const std_msgs__msg__Header & header, std::size_t p)
  {
    return get_serialized_size_std_msgs__msg__Header(&header, p);
  }
  static std::size_t header_max_size(std::size_t p)
  {
    bool full_bounded = false, is_plain = false;
    return max_serialized_size_std_msgs__msg__Header(full_bounded, is_plain, p);
  }
  template<class Message>
  static std::size_t message_size(const Message & message, std::size_t p)
  {
    return PlainCdrFunctions<Message>::size(&message, p);
  }
};

inline const message_type_support_callbacks_t * callbacks_of(const rosidl_message_type_support_t * handle)
{
  return static_cast<const message_type_support_callbacks_t *>(handle->data);
}

inline const message_type_support_callbacks_t * header_callbacks()
{
  return callbacks_of(rosidl_typesupport_fastrtps_c__get_message_type_support_handle__std_msgs__msg__Header());
}

// The failure lines are fixed texts; those naming a field are put together
// first and written with one call.
inline bool fail(const char * line)
{
  std::fputs(line, stderr);
  return false;
}

inline bool fail_field(const char * before, const char * field, const char * after)
{
  char line[160];
  const int length = std::snprintf(line, sizeof(line), "%s%s%s", before, field, after);
  if (length > 0) {
    std::fwrite(line, 1, std::min(static_cast<std::size_t>(length), sizeof(line) - 1), stderr);
  }
  return false;
}

inline bool fail_create(const char * field)
{
  return fail_field("failed to create array for field '", field, "'");
}

inline bool fail_assign(const char * field)
{
  return fail_field("failed to assign string into field '", field, "'\n");
}

// ---- writing ----

inline bool write_count(Cdr & cdr, std::size_t count)
{
  if (count > kMaxWireCount) {
    return fail("sequence too long for CDR: more than 4294967295 elements\n");
  }
  write_integer(cdr, static_cast<std::uint32_t>(count));
  return true;
}

inline bool write_string(Cdr & cdr, const rosidl_runtime_c__String & text)
{
  if (text.size >= kMaxWireCount) {
    return fail("string too long for CDR: 4294967295 characters or more\n");
  }
  if (text.capacity == 0 || text.capacity <= text.size) {
    return fail("string capacity not greater than size\n");
  }
  if (text.data[text.size] != '\0') {
    return fail("string not null-terminated\n");
  }
  write_zero_padded(cdr, string_wire_bytes(text.size), [&] {cdr.serialize(text.data);});
  return true;
}

// A nested header through std_msgs' type support, its padding written as zeros.
inline bool write_header(Cdr & cdr, const std_msgs__msg__Header & header)
{
  bool written = false;
  write_zero_padded(
    cdr, header_wire_bytes(header.frame_id.size),
    [&] {written = header_callbacks()->cdr_serialize(&header, cdr);});
  return written;
}

template<class Message>
bool plain_serialize(const void * untyped, Cdr & cdr)
{
  if (!untyped) {
    return fail("ros message handle is null\n");
  }
  const auto & message = *static_cast<const Message *>(untyped);
  return FieldList<Message>::visit(
    message, [&cdr](const auto & member, auto field) {
      constexpr FieldKind kind = decltype(field)::kind;
      if constexpr (is_integer(kind)) {
        write_integer(cdr, member);
      } else if constexpr (kind == FieldKind::STRING) {
        return write_string(cdr, member);
      } else if constexpr (kind == FieldKind::HEADER) {
        return write_header(cdr, member);
      } else if constexpr (kind == FieldKind::UINT8_SEQUENCE) {
        if (!write_count(cdr, member.size)) {
          return false;
        }
        if (member.size > 0) {
          cdr.serializeArray(reinterpret_cast<const char *>(member.data), member.size);
        }
      } else {
        // Strings, headers or nested messages: the count, then each element.
        if (!write_count(cdr, member.size)) {
          return false;
        }
        const message_type_support_callbacks_t * element_callbacks = nullptr;
        if constexpr (kind == FieldKind::MESSAGE_SEQUENCE) {
          element_callbacks = callbacks_of(PlainCdrFunctions<ElementOf<std::decay_t<decltype(member)>>>::handle());
        }
        const auto write_element = [&](const auto & element) {
            if constexpr (kind == FieldKind::STRING_SEQUENCE) {
              return write_string(cdr, element);
            } else if constexpr (kind == FieldKind::HEADER_SEQUENCE) {
              return write_header(cdr, element);
            } else {
              return element_callbacks->cdr_serialize(&element, cdr);
            }
          };
        for (std::size_t i = 0; i < member.size; ++i) {
          if (!write_element(member.data[i])) {
            return false;
          }
        }
      }
      return true;
    });
}

// ---- reading ----

inline std::uint32_t read_count(Cdr & cdr, std::size_t min_element_size)
{
  std::uint32_t count = 0;
  cdr.deserialize(count);
  if (!count_fits(cdr, count, min_element_size)) {
    throw_short_input();
  }
  return count;
}

// The received text up to its first zero byte replaces the string's.
inline bool read_string(Cdr & cdr, rosidl_runtime_c__String & text, const char * field)
{
  std::string received;
  cdr.deserialize(received);
  if (!text.data) {
    rosidl_runtime_c__String__init(&text);
  }
  if (!rosidl_runtime_c__String__assign(&text, received.c_str())) {
    return fail_assign(field);
  }
  return true;
}

// Releases what a sequence holds and makes it anew with `count` elements.
template<class Sequence, class Init, class Fini>
bool recreate(Sequence & sequence, std::uint32_t count, Init init, Fini fini, const char * field)
{
  if (sequence.data) {
    fini(&sequence);
  }
  if (!init(&sequence, count)) {
    return fail_create(field);
  }
  return true;
}

template<class Message>
bool plain_deserialize(Cdr & cdr, void * untyped)
{
  if (!untyped) {
    return fail("ros message handle is null\n");
  }
  auto & message = *static_cast<Message *>(untyped);
  return FieldList<Message>::visit(
    message, [&cdr](auto & member, auto field) {
      constexpr FieldKind kind = decltype(field)::kind;
      if constexpr (is_integer(kind)) {
        read_integer(cdr, member);
      } else if constexpr (kind == FieldKind::STRING) {
        return read_string(cdr, member, field.name);
      } else if constexpr (kind == FieldKind::HEADER) {
        return header_callbacks()->cdr_deserialize(cdr, &member);
      } else if constexpr (kind == FieldKind::UINT8_SEQUENCE) {
        const std::uint32_t count = read_count(cdr, 1);
        if (!recreate(
            member, count, rosidl_runtime_c__uint8__Sequence__init,
            rosidl_runtime_c__uint8__Sequence__fini, field.name))
        {
          return false;
        }
        if (count > 0) {
          cdr.deserializeArray(reinterpret_cast<char *>(member.data), count);
        }
      } else if constexpr (kind == FieldKind::STRING_SEQUENCE) {
        const std::uint32_t count = read_count(cdr, 4);
        if (!recreate(
            member, count, rosidl_runtime_c__String__Sequence__init,
            rosidl_runtime_c__String__Sequence__fini, field.name))
        {
          return false;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
          if (!read_string(cdr, member.data[i], field.name)) {
            return false;
          }
        }
      } else if constexpr (kind == FieldKind::HEADER_SEQUENCE) {
        const message_type_support_callbacks_t * element_callbacks = header_callbacks();
        const std::uint32_t count = read_count(cdr, kHeaderMinWireSize);
        if (!recreate(
            member, count, std_msgs__msg__Header__Sequence__init,
            std_msgs__msg__Header__Sequence__fini, field.name))
        {
          return false;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
          if (!element_callbacks->cdr_deserialize(cdr, &member.data[i])) {
            return false;
          }
        }
      } else {
        using Element = ElementOf<std::decay_t<decltype(member)>>;
        const message_type_support_callbacks_t * element_callbacks =
          callbacks_of(PlainCdrFunctions<Element>::handle());
        const std::uint32_t count = read_count(cdr, min_wire_size<Element>());
        if (!recreate(
            member, count, PlainFunctions<Element>::sequence_init,
            PlainFunctions<Element>::sequence_fini, field.name))
        {
          return false;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
          if (!element_callbacks->cdr_deserialize(cdr, &member.data[i])) {
            return false;
          }
        }
      }
      return true;
    });
}

template<class Message>
std::uint32_t plain_size_entry(const void * untyped)
{
  return saturated_size(PlainCdrFunctions<Message>::size(untyped, 0));
}

template<std::size_t (* MaxSize)(bool &, bool &, std::size_t)>
std::size_t plain_max_size_entry(char & bounds)
{
  bool full_bounded = false, is_plain = false;
  const std::size_t size = MaxSize(full_bounded, is_plain, 0);
  bounds = bounds_code(full_bounded, is_plain);
  return size;
}

}  // namespace orvane_h26x_msgs::msg::detail

// The handle of a message; its identifier is stored at load (load.cpp).
#define ORVANE_H26X_MSGS__PLAIN_CDR_HANDLE(Msg) orvane_h26x_msgs__msg__ ## Msg ## __fastrtps_c_handle

// Callbacks record, handle and exported functions of one message.
#define ORVANE_H26X_MSGS__DEFINE_PLAIN_CDR_TYPESUPPORT(Msg) \
  namespace ns_ = ::orvane_h26x_msgs::msg::detail; \
  using Record_ = orvane_h26x_msgs__msg__ ## Msg; \
  extern "C" size_t get_serialized_size_orvane_h26x_msgs__msg__ ## Msg(const void * untyped, size_t start) \
  { \
    return ns_::serialized_size<ns_::PlainNested>(*static_cast<const Record_ *>(untyped), start); \
  } \
  extern "C" size_t max_serialized_size_orvane_h26x_msgs__msg__ ## Msg( \
    bool & full_bounded, bool & is_plain, size_t start) \
  { \
    return ns_::max_serialized_size<ns_::PlainNested, Record_>(full_bounded, is_plain, start); \
  } \
  static const message_type_support_callbacks_t callbacks_ = { \
    "orvane_h26x_msgs::msg", #Msg, ns_::plain_serialize<Record_>, ns_::plain_deserialize<Record_>, \
    ns_::plain_size_entry<Record_>, \
    ns_::plain_max_size_entry<max_serialized_size_orvane_h26x_msgs__msg__ ## Msg>}; \
  rosidl_message_type_support_t ORVANE_H26X_MSGS__PLAIN_CDR_HANDLE(Msg) = { \
    nullptr, &callbacks_, get_message_typesupport_handle_function}; \
  extern "C" const rosidl_message_type_support_t * \
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg() \
  { \
    return &ORVANE_H26X_MSGS__PLAIN_CDR_HANDLE(Msg); \
  }

#endif  // ORVANE_H26X_MSGS__COMMON__PLAIN_CDR_HPP_
