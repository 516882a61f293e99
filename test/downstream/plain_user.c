/* C99 user of the plain records: create, fill, copy, compare, destroy. */
#include <stdio.h>
#include <string.h>

#include "orvane_h26x_msgs/msg/multi_compressed.h"
#include "orvane_h26x_msgs/msg/multi_image.h"
#include "rosidl_runtime_c/string_functions.h"

size_t serialized_size_through_plain_cdr(const orvane_h26x_msgs__msg__MultiCompressed * message);

int main(void)
{
  orvane_h26x_msgs__msg__MultiCompressed * message = orvane_h26x_msgs__msg__MultiCompressed__create();
  orvane_h26x_msgs__msg__MultiCompressed * copy = orvane_h26x_msgs__msg__MultiCompressed__create();
  if (!message || !copy) {
    return 1;
  }
  if (!orvane_h26x_msgs__msg__MultiImage__Sequence__init(&message->h26x_images, 2) ||
    !rosidl_runtime_c__String__assign(&message->h26x_images.data[1].encoding, "h265"))
  {
    return 1;
  }
  message->h26x_images.data[1].count = 42;
  int ok = orvane_h26x_msgs__msg__MultiCompressed__copy(message, copy) &&
    orvane_h26x_msgs__msg__MultiCompressed__are_equal(message, copy) &&
    strcmp(copy->h26x_images.data[1].encoding.data, "h265") == 0;
  const size_t size = serialized_size_through_plain_cdr(copy);
  printf("plain_user: copy %s, %zu CDR bytes\n", ok ? "equal" : "DIFFERENT", size);
  orvane_h26x_msgs__msg__MultiCompressed__destroy(message);
  orvane_h26x_msgs__msg__MultiCompressed__destroy(copy);
  return ok && size > 0 ? 0 : 1;
}
