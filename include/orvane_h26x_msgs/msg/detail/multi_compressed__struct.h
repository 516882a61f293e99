#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__STRUCT_H_
#define ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__STRUCT_H_

#include "orvane_h26x_msgs/msg/detail/plain_record.h"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__fields.h"
#include "orvane_h26x_msgs/msg/detail/multi_image__struct.h"
#include "orvane_h26x_msgs/msg/detail/original_image__struct.h"

#ifdef __cplusplus
extern "C" {
#endif

// orvane_h26x_msgs__msg__MultiCompressed: the members listed in multi_compressed__fields.h.
ORVANE_H26X_MSGS__DECLARE_PLAIN_RECORD(MultiCompressed)

#ifdef __cplusplus
}
#endif

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__STRUCT_H_
