#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_IMAGE__STRUCT_H_
#define ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_IMAGE__STRUCT_H_

#include "orvane_h26x_msgs/msg/detail/plain_record.h"
#include "orvane_h26x_msgs/msg/detail/multi_image__fields.h"

#ifdef __cplusplus
extern "C" {
#endif

// orvane_h26x_msgs__msg__MultiImage: the members listed in multi_image__fields.h.
ORVANE_H26X_MSGS__DECLARE_PLAIN_RECORD(MultiImage)

#ifdef __cplusplus
}
#endif

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_IMAGE__STRUCT_H_
