#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__ORIGINAL_IMAGE__FIELDS_H_
#define ORVANE_H26X_MSGS__MSG__DETAIL__ORIGINAL_IMAGE__FIELDS_H_

// The fields of OriginalImage in wire order: X(name, kind, element type).
// Every representation and type support of OriginalImage is built from this list.
#define orvane_h26x_msgs__msg__OriginalImage__FIELDS(X) \
  X(topic_name, STRING_SEQUENCE,) \
  X(is_valid, UINT8_SEQUENCE,) \
  X(count, UINT64,) \
  X(height, UINT32,) \
  X(width, UINT32,) \
  X(encoding, STRING,) \
  X(is_bigendian, UINT8,) \
  X(step, UINT32,) \
  X(data, UINT8_SEQUENCE,)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__ORIGINAL_IMAGE__FIELDS_H_
