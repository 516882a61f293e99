#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__FIELDS_H_
#define ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__FIELDS_H_

// The fields of MultiCompressed in wire order: X(name, kind, element type).
// Every representation and type support of MultiCompressed is built from this list.
#define orvane_h26x_msgs__msg__MultiCompressed__FIELDS(X) \
  X(header, HEADER,) \
  X(h26x_images, MESSAGE_SEQUENCE, MultiImage) \
  X(original_images, MESSAGE_SEQUENCE, OriginalImage)

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__MULTI_COMPRESSED__FIELDS_H_
