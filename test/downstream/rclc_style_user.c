/* Uses the messages as rclc and the C client library do, linked against the
 * C dispatch library (and the plain records) only: ROSIDL_GET_MSG_TYPE_SUPPORT
 * gives the dispatch handle; the middleware asks it for
 * "rosidl_typesupport_fastrtps_c", a generic C tool for
 * "rosidl_typesupport_introspection_c" and builds a record through its table.
 */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "orvane_h26x_msgs/msg/compressed.h"
#include "orvane_h26x_msgs/msg/dual_compressed_image.h"
#include "orvane_h26x_msgs/msg/image.h"
#include "orvane_h26x_msgs/msg/multi_compressed.h"
#include "orvane_h26x_msgs/msg/multi_image.h"
#include "orvane_h26x_msgs/msg/original_image.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"

static int failures = 0;

static void check(int ok, const char * type, const char * what)
{
  if (!ok) {
    fprintf(stderr, "FAILED: %s: %s\n", type, what);
    ++failures;
  }
}

typedef const rosidl_message_type_support_t * (* getter_t)(void);

/* The concrete library's own handle; the dispatch must have loaded it. */
static const rosidl_message_type_support_t * concrete_handle(const char * kind, const char * type)
{
  char name[256];
  snprintf(name, sizeof(name), "liborvane_h26x_msgs__%s.so", kind);
  void * library = dlopen(name, RTLD_NOW | RTLD_NOLOAD);
  if (!library) {
    return NULL;
  }
  snprintf(name, sizeof(name), "%s__get_message_type_support_handle__orvane_h26x_msgs__msg__%s", kind, type);
  getter_t getter;
  *(void **)(&getter) = dlsym(library, name);
  const rosidl_message_type_support_t * handle = getter ? getter() : NULL;
  dlclose(library);
  return handle;
}

static void use(const char * type, const rosidl_message_type_support_t * dispatch)
{
  check(strcmp(dispatch->typesupport_identifier, "rosidl_typesupport_c") == 0, type, "dispatch identifier");
  const rosidl_message_type_support_t * cdr = get_message_typesupport_handle(dispatch, "rosidl_typesupport_fastrtps_c");
  check(cdr && cdr == concrete_handle("rosidl_typesupport_fastrtps_c", type), type, "fastrtps_c handle");
  const rosidl_message_type_support_t * introspection =
    get_message_typesupport_handle(dispatch, "rosidl_typesupport_introspection_c");
  check(introspection && introspection == concrete_handle("rosidl_typesupport_introspection_c", type), type,
    "introspection_c handle");
  check(get_message_typesupport_handle(dispatch, "rosidl_typesupport_fastrtps_cpp") == NULL, type,
    "a C handle has no class type support");
  if (!introspection) {
    return;
  }
  /* A record made and released through the table alone; every sequence grown to 2. */
  const rosidl_typesupport_introspection_c__MessageMembers * members = introspection->data;
  void * record = malloc(members->size_of_);
  memset(record, 0xFF, members->size_of_);
  members->init_function(record, ROSIDL_RUNTIME_C_MSG_INIT_ALL);
  size_t grown = 0;
  for (uint32_t i = 0; i < members->member_count_; ++i) {
    const rosidl_typesupport_introspection_c__MessageMember * member = &members->members_[i];
    if (member->is_array_) {
      void * at = (char *)record + member->offset_;
      check(member->resize_function(at, 2) && member->size_function(at) == 2, type, member->name_);
      grown += member->size_function(at);
    }
  }
  members->fini_function(record);
  free(record);
  printf("%s: %u members, %zu sequence elements made through the table\n", type, members->member_count_, grown);
}

int main(void)
{
  use("Image", ROSIDL_GET_MSG_TYPE_SUPPORT(orvane_h26x_msgs, msg, Image));
  use("Compressed", ROSIDL_GET_MSG_TYPE_SUPPORT(orvane_h26x_msgs, msg, Compressed));
  use("DualCompressedImage", ROSIDL_GET_MSG_TYPE_SUPPORT(orvane_h26x_msgs, msg, DualCompressedImage));
  use("OriginalImage", ROSIDL_GET_MSG_TYPE_SUPPORT(orvane_h26x_msgs, msg, OriginalImage));
  use("MultiImage", ROSIDL_GET_MSG_TYPE_SUPPORT(orvane_h26x_msgs, msg, MultiImage));
  use("MultiCompressed", ROSIDL_GET_MSG_TYPE_SUPPORT(orvane_h26x_msgs, msg, MultiCompressed));
  printf("rclc_style_user: %s\n", failures ? "FAILED" : "every lookup as expected");
  return failures ? 1 : 0;
}
