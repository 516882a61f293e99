// Plain record and sequence functions of orvane_h26x_msgs/msg/Compressed.
#include "plain_record_ops.hpp"

ORVANE_H26X_MSGS__DEFINE_PLAIN_FUNCTIONS(Compressed)
