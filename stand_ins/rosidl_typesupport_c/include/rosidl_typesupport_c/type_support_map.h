#ifndef ROSIDL_TYPESUPPORT_C__TYPE_SUPPORT_MAP_H_
#define ROSIDL_TYPESUPPORT_C__TYPE_SUPPORT_MAP_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C"
{
#endif

/// The `data` of a dispatch handle: for each concrete type support its
/// identifier and the exported name of its handle getter in
/// lib<package_name>__<identifier>.so; `data[i]` caches that library once it
/// is loaded (null before).
typedef struct type_support_map_t
{
  const size_t size;
  const char * package_name;
  const char * const * typesupport_identifier;
  const char * const * symbol_name;
  void ** data;
} type_support_map_t;

#ifdef __cplusplus
}
#endif

#endif  // ROSIDL_TYPESUPPORT_C__TYPE_SUPPORT_MAP_H_
