#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__DUAL_COMPRESSED_IMAGE__FIELDS_H_
#define ORVANE_H26X_MSGS__MSG__DETAIL__DUAL_COMPRESSED_IMAGE__FIELDS_H_

// The fields of DualCompressedImage in wire order: X(name, kind, element type).
// Every representation and type support of DualCompressedImage is built from this list.
#define orvane_h26x_msgs__msg__DualCompressedImage__FIELDS(X) \
  X(header, HEADER,) \
  X(format, STRING,) \
  X(origin, UINT8_SEQUENCE,) \
  X(data1, UINT8_SEQUENCE,) \
  X(data2, UINT8_SEQUENCE,)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__DUAL_COMPRESSED_IMAGE__FIELDS_H_
