#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__IMAGE__FIELDS_H_
#define ORVANE_H26X_MSGS__MSG__DETAIL__IMAGE__FIELDS_H_

// The fields of Image in wire order: X(name, kind, element type).
// Every representation and type support of Image is built from this list.
#define orvane_h26x_msgs__msg__Image__FIELDS(X) \
  X(header, HEADER,) \
  X(count, UINT64,) \
  X(height, UINT32,) \
  X(width, UINT32,) \
  X(encoding, STRING,) \
  X(is_bigendian, UINT8,) \
  X(step, UINT32,) \
  X(data, UINT8_SEQUENCE,)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__IMAGE__FIELDS_H_
