// C++ dispatch handle of orvane_h26x_msgs/msg/DualCompressedImage.
#include "dispatch_cpp.hpp"

ORVANE_H26X_MSGS__DEFINE_CPP_DISPATCH(DualCompressedImage)
