#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__INTROSPECTION_DECLARATIONS_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__INTROSPECTION_DECLARATIONS_HPP_

// Exported functions of the introspection type support of a message class:
// the handle getters, init and fini, and six accessors per sequence member.

#include <cstddef>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_runtime_cpp/message_initialization.hpp"
#include "rosidl_typesupport_introspection_cpp/message_type_support_decl.hpp"
#include "orvane_h26x_msgs/msg/rosidl_typesupport_introspection_cpp__visibility_control.h"

// Names an accessor of the message named by ORVANE_H26X_MSGS__MESSAGE; the
// indirection expands that macro before the name is pasted together.
#define ORVANE_H26X_MSGS__ACCESSOR(operation, name) \
  ORVANE_H26X_MSGS__ACCESSOR_(operation, ORVANE_H26X_MSGS__MESSAGE, name)
#define ORVANE_H26X_MSGS__ACCESSOR_(operation, Msg, name) ORVANE_H26X_MSGS__ACCESSOR__(operation, Msg, name)
#define ORVANE_H26X_MSGS__ACCESSOR__(operation, Msg, name) operation ## __ ## Msg ## __ ## name

#define ORVANE_H26X_MSGS__DECLARE_ACCESSORS(name, kind, element) \
  ORVANE_H26X_MSGS__DECLARE_ACCESSORS_ ## kind(name)
#define ORVANE_H26X_MSGS__DECLARE_ACCESSORS_SEQUENCE(name) \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_orvane_h26x_msgs \
  size_t ORVANE_H26X_MSGS__ACCESSOR(size_function, name)(const void * untyped_member); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_orvane_h26x_msgs \
  const void * ORVANE_H26X_MSGS__ACCESSOR(get_const_function, name)( \
    const void * untyped_member, size_t index); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_orvane_h26x_msgs \
  void * ORVANE_H26X_MSGS__ACCESSOR(get_function, name)(void * untyped_member, size_t index); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_orvane_h26x_msgs \
  void ORVANE_H26X_MSGS__ACCESSOR(fetch_function, name)( \
    const void * untyped_member, size_t index, void * untyped_value); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_orvane_h26x_msgs \
  void ORVANE_H26X_MSGS__ACCESSOR(assign_function, name)( \
    void * untyped_member, size_t index, const void * untyped_value); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_orvane_h26x_msgs \
  void ORVANE_H26X_MSGS__ACCESSOR(resize_function, name)(void * untyped_member, size_t size);
#define ORVANE_H26X_MSGS__DECLARE_ACCESSORS_UINT8_SEQUENCE ORVANE_H26X_MSGS__DECLARE_ACCESSORS_SEQUENCE
#define ORVANE_H26X_MSGS__DECLARE_ACCESSORS_STRING_SEQUENCE ORVANE_H26X_MSGS__DECLARE_ACCESSORS_SEQUENCE
#define ORVANE_H26X_MSGS__DECLARE_ACCESSORS_HEADER_SEQUENCE ORVANE_H26X_MSGS__DECLARE_ACCESSORS_SEQUENCE
#define ORVANE_H26X_MSGS__DECLARE_ACCESSORS_MESSAGE_SEQUENCE ORVANE_H26X_MSGS__DECLARE_ACCESSORS_SEQUENCE
#define ORVANE_H26X_MSGS__DECLARE_ACCESSORS_UINT8(name)
#define ORVANE_H26X_MSGS__DECLARE_ACCESSORS_UINT32(name)
#define ORVANE_H26X_MSGS__DECLARE_ACCESSORS_UINT64(name)
#define ORVANE_H26X_MSGS__DECLARE_ACCESSORS_STRING(name)
#define ORVANE_H26X_MSGS__DECLARE_ACCESSORS_HEADER(name)

#define ORVANE_H26X_MSGS__DECLARE_INTROSPECTION_FUNCTIONS(Msg) \
  namespace orvane_h26x_msgs::msg::rosidl_typesupport_introspection_cpp \
  { \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_orvane_h26x_msgs \
  void Msg ## _init_function(void * message_memory, ::rosidl_runtime_cpp::MessageInitialization mode); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_orvane_h26x_msgs \
  void Msg ## _fini_function(void * message_memory); \
  orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__DECLARE_ACCESSORS) \
  } \
  extern "C" ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_orvane_h26x_msgs \
  const rosidl_message_type_support_t * \
  rosidl_typesupport_introspection_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg();

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__INTROSPECTION_DECLARATIONS_HPP_
