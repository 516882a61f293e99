// Introspection type support of the plain orvane_h26x_msgs/msg/Compressed record.
#include "introspection_c.hpp"

ORVANE_H26X_MSGS__DEFINE_INTROSPECTION_C_TYPESUPPORT(Compressed)
