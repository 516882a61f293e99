#ifndef ORVANE_H26X_MSGS__COMMON__CDR_COMMON_HPP_
#define ORVANE_H26X_MSGS__COMMON__CDR_COMMON_HPP_

// What both CDR type supports share: wire limits, the input bound on
// received counts, and the exact and fixed-part sizes of a message.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "fastcdr/Cdr.h"
#include "fastcdr/exceptions/NotEnoughMemoryException.h"
#include "orvane_h26x_msgs/msg/detail/field_list.hpp"

namespace orvane_h26x_msgs::msg::detail
{

// Counts and string lengths travel as unsigned 32-bit values.
constexpr std::uint64_t kMaxWireCount = 0xFFFFFFFFu;

// Bytes between the stream's position and the end of its buffer.
std::size_t remaining_bytes(eprosima::fastcdr::Cdr & cdr);

// Fewest bytes a std_msgs/Header takes: stamp (two 32-bit values) and the
// frame_id length.
constexpr std::size_t kHeaderMinWireSize = 12;

// Fewest bytes one encoded message of type Message takes, padding aside.
template<class Message>
constexpr std::size_t min_wire_size()
{
  std::size_t bytes = 0;
  for (FieldKind kind : FieldList<Message>::kinds) {
    switch (kind) {
      case FieldKind::UINT8: bytes += 1; break;
      case FieldKind::UINT64: bytes += 8; break;
      case FieldKind::HEADER: bytes += kHeaderMinWireSize; break;
      case FieldKind::TIME: bytes += 8; break;
      default: bytes += 4; break;  // a 32-bit value, length or count
    }
  }
  return bytes;
}

// Whether a received count can be backed by the rest of the input. Checked
// before anything is sized for it: a corrupt count must not cost gigabytes.
inline bool count_fits(eprosima::fastcdr::Cdr & cdr, std::uint32_t count, std::size_t min_element_size)
{
  return count <= remaining_bytes(cdr) / min_element_size;
}

// What a read past the end of the input raises.
[[noreturn]] inline void throw_short_input()
{
  throw eprosima::fastcdr::exception::NotEnoughMemoryException(
          eprosima::fastcdr::exception::NotEnoughMemoryException::NOT_ENOUGH_MEMORY_MESSAGE_DEFAULT);
}

// Every aligned item goes on the stream through here. Fast-CDR aligns by
// moving past the padding without writing it, so those bytes would keep
// what the buffer held before (an earlier sample in a reused payload, other
// heap contents): `write` puts one item of `item_bytes` bytes on the stream,
// and whatever more it moved over in front of the item is padding, written
// here as zeros. Offsets, not pointers: the write may grow the buffer.
template<class Write>
void write_zero_padded(eprosima::fastcdr::Cdr & cdr, std::size_t item_bytes, Write && write)
{
  const std::size_t before = cdr.getSerializedDataLength();
  write();
  const std::size_t moved = cdr.getSerializedDataLength() - before;
  // Padding is at most 7 bytes; anything else means the item was shorter.
  if (moved > item_bytes && moved - item_bytes < 8) {
    std::memset(cdr.getBufferPointer() + before, 0, moved - item_bytes);
  }
}

// A string's length, characters and terminator. (Fast-CDR writes up to the
// first NUL: with one inside a string the item is shorter, and the check in
// write_zero_padded leaves the padding as Fast-CDR left it.)
inline std::size_t string_wire_bytes(std::size_t size)
{
  return 4 + size + 1;
}

// What a std_msgs/Header takes on the wire after its alignment: stamp (two
// 32-bit values) and frame_id.
inline std::size_t header_wire_bytes(std::size_t frame_id_size)
{
  return 8 + string_wire_bytes(frame_id_size);
}

// uint8, uint32 and uint64 fields travel alike in both representations.
template<class Integer>
void write_integer(eprosima::fastcdr::Cdr & cdr, Integer value)
{
  if constexpr (sizeof(Integer) == 1) {
    cdr.serialize(static_cast<char>(value));
  } else {
    write_zero_padded(cdr, sizeof(Integer), [&] {cdr.serialize(value);});
  }
}

template<class Integer>
void read_integer(eprosima::fastcdr::Cdr & cdr, Integer & value)
{
  if constexpr (sizeof(Integer) == 1) {
    cdr.deserialize(reinterpret_cast<char &>(value));
  } else {
    cdr.deserialize(value);
  }
}

template<class T>
struct IsStdVector : std::false_type {};
template<class T, class A>
struct IsStdVector<std::vector<T, A>>: std::true_type {};

// Strings and sequences of either representation.
template<class T>
std::size_t count_of(const T & container)
{
  if constexpr (IsStdVector<T>::value) {
    return container.size();
  } else if constexpr (std::is_class_v<T> && std::is_member_function_pointer_v<decltype(&T::size)>) {
    return container.size();
  } else {
    return container.size;
  }
}

template<class T>
const auto & element_at(const T & sequence, std::size_t i)
{
  if constexpr (IsStdVector<T>::value) {
    return sequence[i];
  } else {
    return sequence.data[i];
  }
}

inline std::size_t pad(std::size_t position, std::size_t width)
{
  return eprosima::fastcdr::Cdr::alignment(position, width);
}

// Exact serialized size of `message` starting `start` bytes after the
// stream's alignment origin. Nested supplies the sizes of headers
// (header_size) and of nested messages of this package (message_size) in the
// message's own representation.
template<class Nested, class Message>
std::size_t serialized_size(const Message & message, std::size_t start)
{
  std::size_t p = start;
  FieldList<Message>::visit(
    message, [&](const auto & member, auto field) {
      constexpr FieldKind kind = decltype(field)::kind;
      if constexpr (kind == FieldKind::UINT8) {
        p += 1;
      } else if constexpr (kind == FieldKind::UINT32) {
        p += pad(p, 4) + 4;
      } else if constexpr (kind == FieldKind::UINT64) {
        p += pad(p, 8) + 8;
      } else if constexpr (kind == FieldKind::STRING) {
        p += pad(p, 4) + 4 + count_of(member) + 1;
      } else if constexpr (kind == FieldKind::HEADER) {
        p += Nested::header_size(member, p);
      } else if constexpr (kind == FieldKind::TIME) {
        p += pad(p, 4) + 8;
      } else {
        p += pad(p, 4) + 4;
        const std::size_t n = count_of(member);
        if constexpr (kind == FieldKind::UINT8_SEQUENCE) {
          p += n;
        } else {
          for (std::size_t i = 0; i < n; ++i) {
            const auto & element = element_at(member, i);
            if constexpr (kind == FieldKind::STRING_SEQUENCE) {
              p += pad(p, 4) + 4 + count_of(element) + 1;
            } else if constexpr (kind == FieldKind::HEADER_SEQUENCE) {
              p += Nested::header_size(element, p);
            } else {
              p += Nested::message_size(element, p);
            }
          }
        }
      }
      return true;
    });
  return p - start;
}

// Size of the fixed part (every string and sequence empty) from `start`.
// Every message here has an unbounded member, so both flags end false.
template<class Nested, class Message>
std::size_t max_serialized_size(bool & full_bounded, bool & is_plain, std::size_t start)
{
  full_bounded = true;
  is_plain = true;
  std::size_t p = start;
  for (FieldKind kind : FieldList<Message>::kinds) {
    switch (kind) {
      case FieldKind::UINT8: p += 1; break;
      case FieldKind::UINT32: p += pad(p, 4) + 4; break;
      case FieldKind::UINT64: p += pad(p, 8) + 8; break;
      case FieldKind::HEADER: p += Nested::header_max_size(p); break;
      case FieldKind::TIME: p += pad(p, 4) + 8; break;
      case FieldKind::STRING:
        p += pad(p, 4) + 4 + 1;
        full_bounded = is_plain = false;
        break;
      default:  // unbounded sequences: only the count
        p += pad(p, 4) + 4;
        full_bounded = is_plain = false;
        break;
    }
  }
  return p - start;
}

// Size as the callbacks record reports it: 32 bits, saturated so that a
// message over 4 GiB cannot pass for a small one.
inline std::uint32_t saturated_size(std::size_t size)
{
  return size > kMaxWireCount ? static_cast<std::uint32_t>(kMaxWireCount) : static_cast<std::uint32_t>(size);
}

// Bounds code of a maximum-size entry: 3 plain, 1 bounded, 0 unbounded.
inline char bounds_code(bool full_bounded, bool is_plain)
{
  return is_plain ? 3 : (full_bounded ? 1 : 0);
}

}  // namespace orvane_h26x_msgs::msg::detail

#endif  // ORVANE_H26X_MSGS__COMMON__CDR_COMMON_HPP_
