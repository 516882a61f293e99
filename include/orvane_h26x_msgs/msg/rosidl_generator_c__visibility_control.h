#ifndef ORVANE_H26X_MSGS__MSG__ROSIDL_GENERATOR_C__VISIBILITY_CONTROL_H_
#define ORVANE_H26X_MSGS__MSG__ROSIDL_GENERATOR_C__VISIBILITY_CONTROL_H_

// Every library of the package is built with hidden visibility; this marks
// the functions that it promises to export.
#define ROSIDL_GENERATOR_C_EXPORT_orvane_h26x_msgs __attribute__((visibility("default")))
#define ROSIDL_GENERATOR_C_IMPORT_orvane_h26x_msgs
#define ROSIDL_GENERATOR_C_PUBLIC_orvane_h26x_msgs ROSIDL_GENERATOR_C_EXPORT_orvane_h26x_msgs

#endif  // ORVANE_H26X_MSGS__MSG__ROSIDL_GENERATOR_C__VISIBILITY_CONTROL_H_
