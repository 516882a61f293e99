#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__ORIGINAL_IMAGE__FUNCTIONS_H_
#define ORVANE_H26X_MSGS__MSG__DETAIL__ORIGINAL_IMAGE__FUNCTIONS_H_

#include "orvane_h26x_msgs/msg/detail/original_image__struct.h"

#ifdef __cplusplus
extern "C" {
#endif

// init, fini, are_equal, copy, create, destroy of the record and of its sequence.
ORVANE_H26X_MSGS__DECLARE_PLAIN_FUNCTIONS(OriginalImage)

#ifdef __cplusplus
}
#endif

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__ORIGINAL_IMAGE__FUNCTIONS_H_
