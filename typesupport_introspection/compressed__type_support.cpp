// Introspection type support of the orvane_h26x_msgs/msg/Compressed class.
#include "introspection.hpp"

#define ORVANE_H26X_MSGS__MESSAGE Compressed
ORVANE_H26X_MSGS__DEFINE_INTROSPECTION_TYPESUPPORT()
