#ifndef STAND_IN_DISPATCH_HPP_
#define STAND_IN_DISPATCH_HPP_

// The rosidl_typesupport_c dispatch handle of a stand-in message, over its
// Fast-CDR and introspection type supports for the plain record; for
// lib<pkg>__rosidl_typesupport_c.

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_c/identifier.h"
#include "rosidl_typesupport_c/message_type_support_dispatch.h"
#include "rosidl_typesupport_c/type_support_map.h"

#define STAND_IN_C_DISPATCH(pkg, Msg) \
  namespace \
  { \
  const char * const identifiers_[] = {"rosidl_typesupport_fastrtps_c", "rosidl_typesupport_introspection_c"}; \
  const char * const symbols_[] = { \
    "rosidl_typesupport_fastrtps_c__get_message_type_support_handle__" #pkg "__msg__" #Msg, \
    "rosidl_typesupport_introspection_c__get_message_type_support_handle__" #pkg "__msg__" #Msg}; \
  void * libraries_[2] = {}; \
  const type_support_map_t map_ = {2, #pkg, identifiers_, symbols_, libraries_}; \
  /* The identifier lives in librosidl_typesupport_c: stored when this library loads. */ \
  const rosidl_message_type_support_t handle_ = { \
    rosidl_typesupport_c__typesupport_identifier, &map_, rosidl_typesupport_c__get_message_typesupport_handle_function}; \
  } \
  extern "C" __attribute__((visibility("default"))) const rosidl_message_type_support_t * \
  rosidl_typesupport_c__get_message_type_support_handle__ ## pkg ## __msg__ ## Msg() \
  { \
    return &handle_; \
  }

#endif  // STAND_IN_DISPATCH_HPP_
