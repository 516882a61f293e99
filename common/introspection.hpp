#ifndef ORVANE_H26X_MSGS__COMMON__INTROSPECTION_HPP_
#define ORVANE_H26X_MSGS__COMMON__INTROSPECTION_HPP_

// Introspection tables, accessors, init and fini of the message classes,
// built from the field lists. The file that defines a message's type support
// defines ORVANE_H26X_MSGS__MESSAGE to the message name first.

#include <cstddef>
#include <new>

#include "rosidl_typesupport_introspection_cpp/field_types.hpp"
#include "rosidl_typesupport_introspection_cpp/identifier.hpp"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"
#include "std_msgs/msg/detail/header__rosidl_typesupport_introspection_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__rosidl_typesupport_introspection_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__rosidl_typesupport_introspection_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/image__rosidl_typesupport_introspection_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__rosidl_typesupport_introspection_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/multi_image__rosidl_typesupport_introspection_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/original_image__rosidl_typesupport_introspection_cpp.hpp"

namespace orvane_h26x_msgs::msg::detail
{

namespace introspection = ::rosidl_typesupport_introspection_cpp;

// The six accessors of a sequence member held as the vector type Vector.
template<class Vector>
struct SequenceAccessors
{
  using Element = typename Vector::value_type;
  static std::size_t size(const void * member) {return static_cast<const Vector *>(member)->size();}
  static const void * get_const(const void * member, std::size_t index)
  {
    return &(*static_cast<const Vector *>(member))[index];
  }
  static void * get(void * member, std::size_t index) {return &(*static_cast<Vector *>(member))[index];}
  static void fetch(const void * member, std::size_t index, void * value)
  {
    *static_cast<Element *>(value) = *static_cast<const Element *>(get_const(member, index));
  }
  static void assign(void * member, std::size_t index, const void * value)
  {
    *static_cast<Element *>(get(member, index)) = *static_cast<const Element *>(value);
  }
  static void resize(void * member, std::size_t size) {static_cast<Vector *>(member)->resize(size);}
};

template<class Message>
void init_function(void * memory, ::rosidl_runtime_cpp::MessageInitialization mode)
{
  new (memory) Message(mode);
}

template<class Message>
void fini_function(void * memory)
{
  static_cast<Message *>(memory)->~Message();
}

inline const rosidl_message_type_support_t * header_handle()
{
  return introspection::get_message_type_support_handle<std_msgs::msg::Header>();
}

}  // namespace orvane_h26x_msgs::msg::detail

// ---- per field: accessors and the member record ----

#define ORVANE_H26X_MSGS__DEFINE_ACCESSORS(name, kind, element) \
  ORVANE_H26X_MSGS__DEFINE_ACCESSORS_ ## kind(name)
#define ORVANE_H26X_MSGS__DEFINE_ACCESSORS_SEQUENCE(name) \
  size_t ORVANE_H26X_MSGS__ACCESSOR(size_function, name)(const void * member) \
  { \
    return ::orvane_h26x_msgs::msg::detail::SequenceAccessors<decltype(Class_::name)>::size(member); \
  } \
  const void * ORVANE_H26X_MSGS__ACCESSOR(get_const_function, name)(const void * member, size_t index) \
  { \
    return ::orvane_h26x_msgs::msg::detail::SequenceAccessors<decltype(Class_::name)>::get_const(member, index); \
  } \
  void * ORVANE_H26X_MSGS__ACCESSOR(get_function, name)(void * member, size_t index) \
  { \
    return ::orvane_h26x_msgs::msg::detail::SequenceAccessors<decltype(Class_::name)>::get(member, index); \
  } \
  void ORVANE_H26X_MSGS__ACCESSOR(fetch_function, name)(const void * member, size_t index, void * value) \
  { \
    ::orvane_h26x_msgs::msg::detail::SequenceAccessors<decltype(Class_::name)>::fetch(member, index, value); \
  } \
  void ORVANE_H26X_MSGS__ACCESSOR(assign_function, name)(void * member, size_t index, const void * value) \
  { \
    ::orvane_h26x_msgs::msg::detail::SequenceAccessors<decltype(Class_::name)>::assign(member, index, value); \
  } \
  void ORVANE_H26X_MSGS__ACCESSOR(resize_function, name)(void * member, size_t size) \
  { \
    ::orvane_h26x_msgs::msg::detail::SequenceAccessors<decltype(Class_::name)>::resize(member, size); \
  }
#define ORVANE_H26X_MSGS__DEFINE_ACCESSORS_UINT8_SEQUENCE ORVANE_H26X_MSGS__DEFINE_ACCESSORS_SEQUENCE
#define ORVANE_H26X_MSGS__DEFINE_ACCESSORS_STRING_SEQUENCE ORVANE_H26X_MSGS__DEFINE_ACCESSORS_SEQUENCE
#define ORVANE_H26X_MSGS__DEFINE_ACCESSORS_HEADER_SEQUENCE ORVANE_H26X_MSGS__DEFINE_ACCESSORS_SEQUENCE
#define ORVANE_H26X_MSGS__DEFINE_ACCESSORS_MESSAGE_SEQUENCE ORVANE_H26X_MSGS__DEFINE_ACCESSORS_SEQUENCE
#define ORVANE_H26X_MSGS__DEFINE_ACCESSORS_UINT8(name)
#define ORVANE_H26X_MSGS__DEFINE_ACCESSORS_UINT32(name)
#define ORVANE_H26X_MSGS__DEFINE_ACCESSORS_UINT64(name)
#define ORVANE_H26X_MSGS__DEFINE_ACCESSORS_STRING(name)
#define ORVANE_H26X_MSGS__DEFINE_ACCESSORS_HEADER(name)

#define ORVANE_H26X_MSGS__TYPE_ID_UINT8 ROS_TYPE_UINT8
#define ORVANE_H26X_MSGS__TYPE_ID_UINT32 ROS_TYPE_UINT32
#define ORVANE_H26X_MSGS__TYPE_ID_UINT64 ROS_TYPE_UINT64
#define ORVANE_H26X_MSGS__TYPE_ID_STRING ROS_TYPE_STRING
#define ORVANE_H26X_MSGS__TYPE_ID_UINT8_SEQUENCE ROS_TYPE_UINT8
#define ORVANE_H26X_MSGS__TYPE_ID_STRING_SEQUENCE ROS_TYPE_STRING
#define ORVANE_H26X_MSGS__TYPE_ID_HEADER ROS_TYPE_MESSAGE
#define ORVANE_H26X_MSGS__TYPE_ID_HEADER_SEQUENCE ROS_TYPE_MESSAGE
#define ORVANE_H26X_MSGS__TYPE_ID_MESSAGE_SEQUENCE ROS_TYPE_MESSAGE

#define ORVANE_H26X_MSGS__ACCESSOR_IN_NAMESPACE(operation, name) \
  ::orvane_h26x_msgs::msg::rosidl_typesupport_introspection_cpp::ORVANE_H26X_MSGS__ACCESSOR(operation, name)
#define ORVANE_H26X_MSGS__ACCESSOR_POINTERS_SEQUENCE(name) \
  ORVANE_H26X_MSGS__ACCESSOR_IN_NAMESPACE(size_function, name), \
  ORVANE_H26X_MSGS__ACCESSOR_IN_NAMESPACE(get_const_function, name), \
  ORVANE_H26X_MSGS__ACCESSOR_IN_NAMESPACE(get_function, name), \
  ORVANE_H26X_MSGS__ACCESSOR_IN_NAMESPACE(fetch_function, name), \
  ORVANE_H26X_MSGS__ACCESSOR_IN_NAMESPACE(assign_function, name), \
  ORVANE_H26X_MSGS__ACCESSOR_IN_NAMESPACE(resize_function, name)
#define ORVANE_H26X_MSGS__ACCESSOR_POINTERS_NONE(name) nullptr, nullptr, nullptr, nullptr, nullptr, nullptr
#define ORVANE_H26X_MSGS__ACCESSOR_POINTERS_UINT8 ORVANE_H26X_MSGS__ACCESSOR_POINTERS_NONE
#define ORVANE_H26X_MSGS__ACCESSOR_POINTERS_UINT32 ORVANE_H26X_MSGS__ACCESSOR_POINTERS_NONE
#define ORVANE_H26X_MSGS__ACCESSOR_POINTERS_UINT64 ORVANE_H26X_MSGS__ACCESSOR_POINTERS_NONE
#define ORVANE_H26X_MSGS__ACCESSOR_POINTERS_STRING ORVANE_H26X_MSGS__ACCESSOR_POINTERS_NONE
#define ORVANE_H26X_MSGS__ACCESSOR_POINTERS_HEADER ORVANE_H26X_MSGS__ACCESSOR_POINTERS_NONE
#define ORVANE_H26X_MSGS__ACCESSOR_POINTERS_UINT8_SEQUENCE ORVANE_H26X_MSGS__ACCESSOR_POINTERS_SEQUENCE
#define ORVANE_H26X_MSGS__ACCESSOR_POINTERS_STRING_SEQUENCE ORVANE_H26X_MSGS__ACCESSOR_POINTERS_SEQUENCE
#define ORVANE_H26X_MSGS__ACCESSOR_POINTERS_HEADER_SEQUENCE ORVANE_H26X_MSGS__ACCESSOR_POINTERS_SEQUENCE
#define ORVANE_H26X_MSGS__ACCESSOR_POINTERS_MESSAGE_SEQUENCE ORVANE_H26X_MSGS__ACCESSOR_POINTERS_SEQUENCE

// Nested handles (members_) stay null here and are stored at load.
#define ORVANE_H26X_MSGS__MEMBER_RECORD(name, kind, element) \
  { \
    #name, ::rosidl_typesupport_introspection_cpp::ORVANE_H26X_MSGS__TYPE_ID_ ## kind, 0, nullptr, \
    ::orvane_h26x_msgs::msg::detail::is_sequence(::orvane_h26x_msgs::msg::detail::FieldKind::kind), 0, false, \
    offsetof(Class_, name), nullptr, \
    ORVANE_H26X_MSGS__ACCESSOR_POINTERS_ ## kind(name) \
  },

// Names of the library's own tables and handles, shared with load.cpp.
#define ORVANE_H26X_MSGS__INTROSPECTION_MEMBERS(Msg) orvane_h26x_msgs__msg__ ## Msg ## __introspection_members
#define ORVANE_H26X_MSGS__INTROSPECTION_HANDLE(Msg) orvane_h26x_msgs__msg__ ## Msg ## __introspection_handle

// Everything the introspection type support exports for one message.
#define ORVANE_H26X_MSGS__DEFINE_INTROSPECTION_TYPESUPPORT() \
  ORVANE_H26X_MSGS__DEFINE_INTROSPECTION_TYPESUPPORT_(ORVANE_H26X_MSGS__MESSAGE)
#define ORVANE_H26X_MSGS__DEFINE_INTROSPECTION_TYPESUPPORT_(Msg) \
  ORVANE_H26X_MSGS__DEFINE_INTROSPECTION_TYPESUPPORT__(Msg)
#define ORVANE_H26X_MSGS__DEFINE_INTROSPECTION_TYPESUPPORT__(Msg) \
  using Class_ = ::orvane_h26x_msgs::msg::Msg; \
  namespace orvane_h26x_msgs::msg::rosidl_typesupport_introspection_cpp \
  { \
  void Msg ## _init_function(void * memory, ::rosidl_runtime_cpp::MessageInitialization mode) \
  { \
    ::orvane_h26x_msgs::msg::detail::init_function<Class_>(memory, mode); \
  } \
  void Msg ## _fini_function(void * memory) {::orvane_h26x_msgs::msg::detail::fini_function<Class_>(memory);} \
  orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__DEFINE_ACCESSORS) \
  } \
  _Pragma("GCC diagnostic push") \
  _Pragma("GCC diagnostic ignored \"-Winvalid-offsetof\"") \
  ::rosidl_typesupport_introspection_cpp::MessageMember ORVANE_H26X_MSGS__INTROSPECTION_MEMBERS(Msg)[] = { \
    orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__MEMBER_RECORD) \
  }; \
  _Pragma("GCC diagnostic pop") \
  static const ::rosidl_typesupport_introspection_cpp::MessageMembers members_ = { \
    "orvane_h26x_msgs::msg", #Msg, \
    static_cast<uint32_t>(sizeof(ORVANE_H26X_MSGS__INTROSPECTION_MEMBERS(Msg)) / \
    sizeof(ORVANE_H26X_MSGS__INTROSPECTION_MEMBERS(Msg)[0])), \
    sizeof(Class_), ORVANE_H26X_MSGS__INTROSPECTION_MEMBERS(Msg), \
    ::orvane_h26x_msgs::msg::rosidl_typesupport_introspection_cpp::Msg ## _init_function, \
    ::orvane_h26x_msgs::msg::rosidl_typesupport_introspection_cpp::Msg ## _fini_function}; \
  rosidl_message_type_support_t ORVANE_H26X_MSGS__INTROSPECTION_HANDLE(Msg) = { \
    nullptr, &members_, get_message_typesupport_handle_function}; \
  namespace rosidl_typesupport_introspection_cpp \
  { \
  template<> \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_orvane_h26x_msgs \
  const rosidl_message_type_support_t * get_message_type_support_handle<Class_>() \
  { \
    return &ORVANE_H26X_MSGS__INTROSPECTION_HANDLE(Msg); \
  } \
  } \
  extern "C" const rosidl_message_type_support_t * \
  rosidl_typesupport_introspection_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg() \
  { \
    return &ORVANE_H26X_MSGS__INTROSPECTION_HANDLE(Msg); \
  }

#endif  // ORVANE_H26X_MSGS__COMMON__INTROSPECTION_HPP_
