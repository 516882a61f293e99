#ifndef ROSIDL_TYPESUPPORT_FASTRTPS_C__IDENTIFIER_H_
#define ROSIDL_TYPESUPPORT_FASTRTPS_C__IDENTIFIER_H_

#ifdef __cplusplus
extern "C"
{
#endif

// Text "rosidl_typesupport_fastrtps_c"; handles store this pointer.
__attribute__((visibility("default")))
extern const char * rosidl_typesupport_fastrtps_c__identifier;

#ifdef __cplusplus
}
#endif

#endif  // ROSIDL_TYPESUPPORT_FASTRTPS_C__IDENTIFIER_H_
