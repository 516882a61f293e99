#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__HANDLE_GETTER_DECLARATIONS_H_
#define ORVANE_H26X_MSGS__MSG__DETAIL__HANDLE_GETTER_DECLARATIONS_H_

// The C-linkage handle getters of the dispatch and C introspection type
// supports: rosidl_typesupport_<kind>__get_message_type_support_handle__
// orvane_h26x_msgs__msg__<Type>, found by that name at run time.

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "orvane_h26x_msgs/msg/rosidl_typesupport_c__visibility_control.h"
#include "orvane_h26x_msgs/msg/rosidl_typesupport_cpp__visibility_control.h"
#include "orvane_h26x_msgs/msg/rosidl_typesupport_introspection_c__visibility_control.h"

#ifdef __cplusplus
#define ORVANE_H26X_MSGS__C_LINKAGE extern "C"
#else
#define ORVANE_H26X_MSGS__C_LINKAGE
#endif

// kind: c, cpp or introspection_c; KIND: the same in capitals.
#define ORVANE_H26X_MSGS__DECLARE_HANDLE_GETTER(kind, KIND, Msg) \
  ORVANE_H26X_MSGS__C_LINKAGE ROSIDL_TYPESUPPORT_ ## KIND ## _PUBLIC_orvane_h26x_msgs \
  const rosidl_message_type_support_t * \
  rosidl_typesupport_ ## kind ## __get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg(void);

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__HANDLE_GETTER_DECLARATIONS_H_
