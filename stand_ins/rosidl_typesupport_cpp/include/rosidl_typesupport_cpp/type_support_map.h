#ifndef ROSIDL_TYPESUPPORT_CPP__TYPE_SUPPORT_MAP_H_
#define ROSIDL_TYPESUPPORT_CPP__TYPE_SUPPORT_MAP_H_

// Both dispatch runtimes use the same map record.
#include "rosidl_typesupport_c/type_support_map.h"

#endif  // ROSIDL_TYPESUPPORT_CPP__TYPE_SUPPORT_MAP_H_
