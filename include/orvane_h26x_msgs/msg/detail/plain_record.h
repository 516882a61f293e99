#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__PLAIN_RECORD_H_
#define ORVANE_H26X_MSGS__MSG__DETAIL__PLAIN_RECORD_H_

// Builds the plain C records from the field lists (<snake>__fields.h):
// one member per field, named as the field, in field order.

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "rosidl_runtime_c/primitives_sequence.h"
#include "rosidl_runtime_c/string.h"
#include "std_msgs/msg/detail/header__struct.h"
#include "orvane_h26x_msgs/msg/rosidl_generator_c__visibility_control.h"

#define ORVANE_H26X_MSGS__PLAIN_TYPE_UINT8(element) uint8_t
#define ORVANE_H26X_MSGS__PLAIN_TYPE_UINT32(element) uint32_t
#define ORVANE_H26X_MSGS__PLAIN_TYPE_UINT64(element) uint64_t
#define ORVANE_H26X_MSGS__PLAIN_TYPE_STRING(element) rosidl_runtime_c__String
#define ORVANE_H26X_MSGS__PLAIN_TYPE_UINT8_SEQUENCE(element) rosidl_runtime_c__uint8__Sequence
#define ORVANE_H26X_MSGS__PLAIN_TYPE_STRING_SEQUENCE(element) rosidl_runtime_c__String__Sequence
#define ORVANE_H26X_MSGS__PLAIN_TYPE_HEADER(element) std_msgs__msg__Header
#define ORVANE_H26X_MSGS__PLAIN_TYPE_HEADER_SEQUENCE(element) std_msgs__msg__Header__Sequence
#define ORVANE_H26X_MSGS__PLAIN_TYPE_MESSAGE_SEQUENCE(element) orvane_h26x_msgs__msg__ ## element ## __Sequence

#define ORVANE_H26X_MSGS__PLAIN_MEMBER(name, kind, element) \
  ORVANE_H26X_MSGS__PLAIN_TYPE_ ## kind(element) name;

// orvane_h26x_msgs__msg__<Type> and orvane_h26x_msgs__msg__<Type>__Sequence.
// A sequence owns `capacity` initialised elements, of which `size` are in use.
#define ORVANE_H26X_MSGS__DECLARE_PLAIN_RECORD(Type) \
  typedef struct orvane_h26x_msgs__msg__ ## Type \
  { \
    orvane_h26x_msgs__msg__ ## Type ## __FIELDS(ORVANE_H26X_MSGS__PLAIN_MEMBER) \
  } orvane_h26x_msgs__msg__ ## Type; \
  typedef struct orvane_h26x_msgs__msg__ ## Type ## __Sequence \
  { \
    orvane_h26x_msgs__msg__ ## Type * data; \
    size_t size; \
    size_t capacity; \
  } orvane_h26x_msgs__msg__ ## Type ## __Sequence;

// The twelve functions of a message and of its sequence.
#define ORVANE_H26X_MSGS__DECLARE_PLAIN_FUNCTIONS(Type) \
  ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs \
  bool orvane_h26x_msgs__msg__ ## Type ## __init(orvane_h26x_msgs__msg__ ## Type * msg); \
  ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs \
  void orvane_h26x_msgs__msg__ ## Type ## __fini(orvane_h26x_msgs__msg__ ## Type * msg); \
  ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs \
  bool orvane_h26x_msgs__msg__ ## Type ## __are_equal( \
    const orvane_h26x_msgs__msg__ ## Type * lhs, const orvane_h26x_msgs__msg__ ## Type * rhs); \
  ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs \
  bool orvane_h26x_msgs__msg__ ## Type ## __copy( \
    const orvane_h26x_msgs__msg__ ## Type * input, orvane_h26x_msgs__msg__ ## Type * output); \
  ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs \
  orvane_h26x_msgs__msg__ ## Type * orvane_h26x_msgs__msg__ ## Type ## __create(void); \
  ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs \
  void orvane_h26x_msgs__msg__ ## Type ## __destroy(orvane_h26x_msgs__msg__ ## Type * msg); \
  ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs \
  bool orvane_h26x_msgs__msg__ ## Type ## __Sequence__init( \
    orvane_h26x_msgs__msg__ ## Type ## __Sequence * array, size_t size); \
  ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs \
  void orvane_h26x_msgs__msg__ ## Type ## __Sequence__fini( \
    orvane_h26x_msgs__msg__ ## Type ## __Sequence * array); \
  ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs \
  bool orvane_h26x_msgs__msg__ ## Type ## __Sequence__are_equal( \
    const orvane_h26x_msgs__msg__ ## Type ## __Sequence * lhs, \
    const orvane_h26x_msgs__msg__ ## Type ## __Sequence * rhs); \
  ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs \
  bool orvane_h26x_msgs__msg__ ## Type ## __Sequence__copy( \
    const orvane_h26x_msgs__msg__ ## Type ## __Sequence * input, \
    orvane_h26x_msgs__msg__ ## Type ## __Sequence * output); \
  ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs \
  orvane_h26x_msgs__msg__ ## Type ## __Sequence * \
  orvane_h26x_msgs__msg__ ## Type ## __Sequence__create(size_t size); \
  ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs \
  void orvane_h26x_msgs__msg__ ## Type ## __Sequence__destroy( \
    orvane_h26x_msgs__msg__ ## Type ## __Sequence * array);

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__PLAIN_RECORD_H_
