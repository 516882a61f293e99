#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__COMPRESSED__FIELDS_H_
#define ORVANE_H26X_MSGS__MSG__DETAIL__COMPRESSED__FIELDS_H_

// The fields of Compressed in wire order: X(name, kind, element type).
// Every representation and type support of Compressed is built from this list.
#define orvane_h26x_msgs__msg__Compressed__FIELDS(X) \
  X(header, HEADER,) \
  X(images, MESSAGE_SEQUENCE, Image)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__COMPRESSED__FIELDS_H_
