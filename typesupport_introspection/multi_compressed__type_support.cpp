// Introspection type support of the orvane_h26x_msgs/msg/MultiCompressed class.
#include "introspection.hpp"

#define ORVANE_H26X_MSGS__MESSAGE MultiCompressed
ORVANE_H26X_MSGS__DEFINE_INTROSPECTION_TYPESUPPORT()
