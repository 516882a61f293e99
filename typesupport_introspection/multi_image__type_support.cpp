// Introspection type support of the orvane_h26x_msgs/msg/MultiImage class.
#include "introspection.hpp"

#define ORVANE_H26X_MSGS__MESSAGE MultiImage
ORVANE_H26X_MSGS__DEFINE_INTROSPECTION_TYPESUPPORT()
