#ifndef ORVANE_H26X_MSGS__COMMON__INTROSPECTION_C_HPP_
#define ORVANE_H26X_MSGS__COMMON__INTROSPECTION_C_HPP_

// Introspection tables, accessors, init and fini of the plain records, built
// from the field lists. Offsets and sizes are those of the C records; nested
// handles are the C introspection handles, stored at load (load.cpp).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "rosidl_typesupport_introspection_c/field_types.h"
#include "rosidl_typesupport_introspection_c/identifier.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_introspection_c.h"
#include "orvane_h26x_msgs/msg/detail/compressed__rosidl_typesupport_introspection_c.h"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__rosidl_typesupport_introspection_c.h"
#include "orvane_h26x_msgs/msg/detail/image__rosidl_typesupport_introspection_c.h"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__rosidl_typesupport_introspection_c.h"
#include "orvane_h26x_msgs/msg/detail/multi_image__rosidl_typesupport_introspection_c.h"
#include "orvane_h26x_msgs/msg/detail/original_image__rosidl_typesupport_introspection_c.h"
#include "plain_record_ops.hpp"

namespace orvane_h26x_msgs::msg::detail
{

constexpr std::uint8_t introspection_c_type_id(FieldKind kind)
{
  switch (kind) {
    case FieldKind::UINT8:
    case FieldKind::UINT8_SEQUENCE:
      return rosidl_typesupport_introspection_c__ROS_TYPE_UINT8;
    case FieldKind::UINT32:
      return rosidl_typesupport_introspection_c__ROS_TYPE_UINT32;
    case FieldKind::UINT64:
      return rosidl_typesupport_introspection_c__ROS_TYPE_UINT64;
    case FieldKind::STRING:
    case FieldKind::STRING_SEQUENCE:
      return rosidl_typesupport_introspection_c__ROS_TYPE_STRING;
    default:
      return rosidl_typesupport_introspection_c__ROS_TYPE_MESSAGE;
  }
}

// Deep copy of one element into an initialised one, as the classes' `=` does.
template<FieldKind Kind, class Element>
void copy_element(const Element & input, Element & output)
{
  if constexpr (Kind == FieldKind::MESSAGE_SEQUENCE) {
    PlainFunctions<Element>::copy(&input, &output);
  } else {
    constexpr FieldKind element_kind = Kind == FieldKind::UINT8_SEQUENCE ? FieldKind::UINT8 :
      Kind == FieldKind::STRING_SEQUENCE ? FieldKind::STRING : FieldKind::HEADER;
    copy_member<element_kind>(input, output);
  }
}

// The six accessors of a sequence member of kind Kind, held as Sequence.
template<FieldKind Kind, class Sequence>
struct PlainSequenceAccessors
{
  using Element = ElementOf<Sequence>;
  static std::size_t size(const void * member) {return static_cast<const Sequence *>(member)->size;}
  static const void * get_const(const void * member, std::size_t index)
  {
    return &static_cast<const Sequence *>(member)->data[index];
  }
  static void * get(void * member, std::size_t index) {return &static_cast<Sequence *>(member)->data[index];}
  static void fetch(const void * member, std::size_t index, void * value)
  {
    copy_element<Kind>(*static_cast<const Element *>(get_const(member, index)), *static_cast<Element *>(value));
  }
  static void assign(void * member, std::size_t index, const void * value)
  {
    copy_element<Kind>(*static_cast<const Element *>(value), *static_cast<Element *>(get(member, index)));
  }
  // A fresh sequence of exactly `size` elements takes over the first ones
  // (new ones are initialised, bytes 0); on a failed allocation the member
  // stays as it was.
  static bool resize(void * member, std::size_t size)
  {
    auto & sequence = *static_cast<Sequence *>(member);
    if (size == sequence.size && size == sequence.capacity) {
      return true;
    }
    Sequence resized;
    if (!init_sequence<Kind>(resized, size)) {
      return false;
    }
    const std::size_t kept = std::min(size, sequence.size);
    if constexpr (Kind == FieldKind::UINT8_SEQUENCE) {
      // The runtime's init leaves bytes undefined; new elements read as 0.
      if (kept) {
        std::memcpy(resized.data, sequence.data, kept);
      }
      if (size > kept) {
        std::memset(resized.data + kept, 0, size - kept);
      }
    } else {
      for (std::size_t i = 0; i < kept; ++i) {
        std::swap(resized.data[i], sequence.data[i]);
      }
    }
    fini_member<Kind>(sequence);
    sequence = resized;
    return true;
  }
};

// Accessor pointers of a member record: the six above for sequences, null otherwise.
template<FieldKind Kind, class Member, bool = is_sequence(Kind)>
struct AccessorPointers
{
  static constexpr std::size_t (* size)(const void *) = nullptr;
  static constexpr const void * (*get_const)(const void *, std::size_t) = nullptr;
  static constexpr void * (*get)(void *, std::size_t) = nullptr;
  static constexpr void (* fetch)(const void *, std::size_t, void *) = nullptr;
  static constexpr void (* assign)(void *, std::size_t, const void *) = nullptr;
  static constexpr bool (* resize)(void *, std::size_t) = nullptr;
};

template<FieldKind Kind, class Member>
struct AccessorPointers<Kind, Member, true>
{
  using Accessors = PlainSequenceAccessors<Kind, Member>;
  static constexpr auto size = &Accessors::size;
  static constexpr auto get_const = &Accessors::get_const;
  static constexpr auto get = &Accessors::get;
  static constexpr auto fetch = &Accessors::fetch;
  static constexpr auto assign = &Accessors::assign;
  static constexpr auto resize = &Accessors::resize;
};

// Any initialisation mode: the plain records have one initial state.
template<class Record>
void init_record(void * memory, enum rosidl_runtime_c__message_initialization)
{
  std::memset(memory, 0, sizeof(Record));
  PlainFunctions<Record>::init(static_cast<Record *>(memory));
}

template<class Record>
void fini_record(void * memory)
{
  PlainFunctions<Record>::fini(static_cast<Record *>(memory));
}

}  // namespace orvane_h26x_msgs::msg::detail

#define ORVANE_H26X_MSGS__C_MEMBER_RECORD(name, kind, element) \
  { \
    #name, ns_::introspection_c_type_id(ns_::FieldKind::kind), 0, nullptr, \
    ns_::is_sequence(ns_::FieldKind::kind), 0, false, static_cast<uint32_t>(offsetof(Record_, name)), nullptr, \
    ns_::AccessorPointers<ns_::FieldKind::kind, decltype(Record_::name)>::size, \
    ns_::AccessorPointers<ns_::FieldKind::kind, decltype(Record_::name)>::get_const, \
    ns_::AccessorPointers<ns_::FieldKind::kind, decltype(Record_::name)>::get, \
    ns_::AccessorPointers<ns_::FieldKind::kind, decltype(Record_::name)>::fetch, \
    ns_::AccessorPointers<ns_::FieldKind::kind, decltype(Record_::name)>::assign, \
    ns_::AccessorPointers<ns_::FieldKind::kind, decltype(Record_::name)>::resize, \
  },

// Names of the library's own tables and handles, shared with load.cpp.
#define ORVANE_H26X_MSGS__INTROSPECTION_C_MEMBERS(Msg) orvane_h26x_msgs__msg__ ## Msg ## __introspection_c_members
#define ORVANE_H26X_MSGS__INTROSPECTION_C_HANDLE(Msg) orvane_h26x_msgs__msg__ ## Msg ## __introspection_c_handle

// Tables, handle and getter of one message.
#define ORVANE_H26X_MSGS__DEFINE_INTROSPECTION_C_TYPESUPPORT(Msg) \
  namespace ns_ = ::orvane_h26x_msgs::msg::detail; \
  using Record_ = orvane_h26x_msgs__msg__ ## Msg; \
  rosidl_typesupport_introspection_c__MessageMember ORVANE_H26X_MSGS__INTROSPECTION_C_MEMBERS(Msg)[] = { \
    orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__C_MEMBER_RECORD) \
  }; \
  static const rosidl_typesupport_introspection_c__MessageMembers members_ = { \
    "orvane_h26x_msgs__msg", #Msg, \
    static_cast<uint32_t>(sizeof(ORVANE_H26X_MSGS__INTROSPECTION_C_MEMBERS(Msg)) / \
    sizeof(ORVANE_H26X_MSGS__INTROSPECTION_C_MEMBERS(Msg)[0])), \
    sizeof(Record_), ORVANE_H26X_MSGS__INTROSPECTION_C_MEMBERS(Msg), \
    ns_::init_record<Record_>, ns_::fini_record<Record_>}; \
  rosidl_message_type_support_t ORVANE_H26X_MSGS__INTROSPECTION_C_HANDLE(Msg) = { \
    nullptr, &members_, get_message_typesupport_handle_function}; \
  extern "C" const rosidl_message_type_support_t * \
  rosidl_typesupport_introspection_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg() \
  { \
    return &ORVANE_H26X_MSGS__INTROSPECTION_C_HANDLE(Msg); \
  }

#endif  // ORVANE_H26X_MSGS__COMMON__INTROSPECTION_C_HPP_
