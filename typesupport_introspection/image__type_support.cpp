// Introspection type support of the orvane_h26x_msgs/msg/Image class.
#include "introspection.hpp"

#define ORVANE_H26X_MSGS__MESSAGE Image
ORVANE_H26X_MSGS__DEFINE_INTROSPECTION_TYPESUPPORT()
