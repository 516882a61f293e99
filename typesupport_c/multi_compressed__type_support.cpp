// C dispatch handle of orvane_h26x_msgs/msg/MultiCompressed.
#include "dispatch.hpp"

ORVANE_H26X_MSGS__DEFINE_DISPATCH(c, MultiCompressed)
