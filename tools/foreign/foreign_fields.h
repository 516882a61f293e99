#ifndef ORVANE_H26X_MSGS_TOOLS__FOREIGN__FOREIGN_FIELDS_H_
#define ORVANE_H26X_MSGS_TOOLS__FOREIGN__FOREIGN_FIELDS_H_

// Other packages' messages the tools speak, as field lists in wire order
// (X(name, kind, element type)), walked by the same generic code as this
// package's messages.

// sensor_msgs/msg/Image: what camera drivers publish and rviz2,
// rqt_image_view and Foxglove show.
#define sensor_msgs__msg__Image__FIELDS(X) \
  X(header, HEADER,) \
  X(height, UINT32,) \
  X(width, UINT32,) \
  X(encoding, STRING,) \
  X(is_bigendian, UINT8,) \
  X(step, UINT32,) \
  X(data, UINT8_SEQUENCE,)

// foxglove_msgs/msg/CompressedVideo: what Foxglove plays as video.
#define foxglove_msgs__msg__CompressedVideo__FIELDS(X) \
  X(timestamp, TIME,) \
  X(frame_id, STRING,) \
  X(data, UINT8_SEQUENCE,) \
  X(format, STRING,)

#endif  // ORVANE_H26X_MSGS_TOOLS__FOREIGN__FOREIGN_FIELDS_H_
