#ifndef ROSIDL_TYPESUPPORT_FASTRTPS_CPP__MESSAGE_TYPE_SUPPORT_H_
#define ROSIDL_TYPESUPPORT_FASTRTPS_CPP__MESSAGE_TYPE_SUPPORT_H_

#include <cstddef>
#include <cstdint>

#include "fastcdr/Cdr.h"

// Bounds code reported by max_serialized_size.
#define ROSIDL_TYPESUPPORT_FASTRTPS_UNBOUNDED_TYPE 0
#define ROSIDL_TYPESUPPORT_FASTRTPS_BOUNDED_TYPE 1
#define ROSIDL_TYPESUPPORT_FASTRTPS_PLAIN_TYPE 3

// What a CDR type support hands to the middleware through a handle's data.
typedef struct message_type_support_callbacks_t
{
  const char * message_namespace_;
  const char * message_name_;
  bool (* cdr_serialize)(const void * untyped_ros_message, eprosima::fastcdr::Cdr & cdr);
  bool (* cdr_deserialize)(eprosima::fastcdr::Cdr & cdr, void * untyped_ros_message);
  uint32_t (* get_serialized_size)(const void * untyped_ros_message);
  size_t (* max_serialized_size)(char & bounds_info);
} message_type_support_callbacks_t;

#endif  // ROSIDL_TYPESUPPORT_FASTRTPS_CPP__MESSAGE_TYPE_SUPPORT_H_
