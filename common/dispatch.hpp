#ifndef ORVANE_H26X_MSGS__COMMON__DISPATCH_HPP_
#define ORVANE_H26X_MSGS__COMMON__DISPATCH_HPP_

// Dispatch handles, as the client libraries and the middleware start from
// them: per message one handle whose data is a type-support map naming the
// concrete type supports and their getters. The dispatch runtime loads
// lib<package>__<identifier>.so when a type support is first asked for; these
// libraries link none of them.
//
// Side c: rosidl_typesupport_c handles over the plain records' type supports.
// Side cpp: rosidl_typesupport_cpp handles over the message classes' ones.

#include <cstddef>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_c/identifier.h"
#include "rosidl_typesupport_c/message_type_support_dispatch.h"
#include "rosidl_typesupport_c/type_support_map.h"
#include "orvane_h26x_msgs/msg/detail/field_list.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__type_support.h"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__type_support.h"
#include "orvane_h26x_msgs/msg/detail/image__type_support.h"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__type_support.h"
#include "orvane_h26x_msgs/msg/detail/multi_image__type_support.h"
#include "orvane_h26x_msgs/msg/detail/original_image__type_support.h"

// The concrete type supports of each side, in the order the map lists them.
#define ORVANE_H26X_MSGS__DISPATCH_TARGETS_c(X, Msg) \
  X(rosidl_typesupport_fastrtps_c, Msg) X(rosidl_typesupport_introspection_c, Msg)
#define ORVANE_H26X_MSGS__DISPATCH_TARGETS_cpp(X, Msg) \
  X(rosidl_typesupport_fastrtps_cpp, Msg) X(rosidl_typesupport_introspection_cpp, Msg)

#define ORVANE_H26X_MSGS__DISPATCH_FUNCTION_c rosidl_typesupport_c__get_message_typesupport_handle_function
#define ORVANE_H26X_MSGS__DISPATCH_FUNCTION_cpp ::rosidl_typesupport_cpp::get_message_typesupport_handle_function
#define ORVANE_H26X_MSGS__DISPATCH_IDENTIFIER_c rosidl_typesupport_c__typesupport_identifier
#define ORVANE_H26X_MSGS__DISPATCH_IDENTIFIER_cpp ::rosidl_typesupport_cpp::typesupport_identifier

#define ORVANE_H26X_MSGS__TARGET_IDENTIFIER(kind, Msg) #kind,
#define ORVANE_H26X_MSGS__TARGET_SYMBOL(kind, Msg) \
  #kind "__get_message_type_support_handle__orvane_h26x_msgs__msg__" #Msg,

// The handle of a message; its identifier is stored at load (load.cpp).
#define ORVANE_H26X_MSGS__DISPATCH_HANDLE(side, Msg) orvane_h26x_msgs__msg__ ## Msg ## __dispatch_ ## side ## _handle

// Map, handle and C getter of one message; side is c or cpp.
#define ORVANE_H26X_MSGS__DEFINE_DISPATCH(side, Msg) \
  namespace \
  { \
  const char * const identifiers_[] = {ORVANE_H26X_MSGS__DISPATCH_TARGETS_ ## side(ORVANE_H26X_MSGS__TARGET_IDENTIFIER, Msg)}; \
  const char * const symbols_[] = {ORVANE_H26X_MSGS__DISPATCH_TARGETS_ ## side(ORVANE_H26X_MSGS__TARGET_SYMBOL, Msg)}; \
  constexpr std::size_t targets_ = sizeof(identifiers_) / sizeof(identifiers_[0]); \
  /* The runtime caches each loaded library here. */ \
  void * libraries_[targets_] = {}; \
  const type_support_map_t map_ = {targets_, "orvane_h26x_msgs", identifiers_, symbols_, libraries_}; \
  } \
  rosidl_message_type_support_t ORVANE_H26X_MSGS__DISPATCH_HANDLE(side, Msg) = { \
    nullptr, &map_, ORVANE_H26X_MSGS__DISPATCH_FUNCTION_ ## side}; \
  extern "C" const rosidl_message_type_support_t * \
  rosidl_typesupport_ ## side ## __get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg() \
  { \
    return &ORVANE_H26X_MSGS__DISPATCH_HANDLE(side, Msg); \
  }

// The library's one load-time step: every handle gets the runtime's identifier.
#define ORVANE_H26X_MSGS__DECLARE_DISPATCH_HANDLE_c(Msg) \
  extern rosidl_message_type_support_t ORVANE_H26X_MSGS__DISPATCH_HANDLE(c, Msg);
#define ORVANE_H26X_MSGS__DECLARE_DISPATCH_HANDLE_cpp(Msg) \
  extern rosidl_message_type_support_t ORVANE_H26X_MSGS__DISPATCH_HANDLE(cpp, Msg);
#define ORVANE_H26X_MSGS__BIND_DISPATCH_IDENTIFIER_c(Msg) \
  ORVANE_H26X_MSGS__DISPATCH_HANDLE(c, Msg).typesupport_identifier = ORVANE_H26X_MSGS__DISPATCH_IDENTIFIER_c;
#define ORVANE_H26X_MSGS__BIND_DISPATCH_IDENTIFIER_cpp(Msg) \
  ORVANE_H26X_MSGS__DISPATCH_HANDLE(cpp, Msg).typesupport_identifier = ORVANE_H26X_MSGS__DISPATCH_IDENTIFIER_cpp;
#define ORVANE_H26X_MSGS__DEFINE_DISPATCH_LOAD_STEP(side) \
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_H26X_MSGS__DECLARE_DISPATCH_HANDLE_ ## side) \
  namespace \
  { \
  struct BindIdentifiers \
  { \
    BindIdentifiers() {ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_H26X_MSGS__BIND_DISPATCH_IDENTIFIER_ ## side)} \
  } bind_identifiers; \
  }

#endif  // ORVANE_H26X_MSGS__COMMON__DISPATCH_HPP_
