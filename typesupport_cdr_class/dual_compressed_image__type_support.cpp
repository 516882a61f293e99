// Fast-CDR type support of the orvane_h26x_msgs/msg/DualCompressedImage class.
#include "class_cdr.hpp"

ORVANE_H26X_MSGS__DEFINE_CLASS_CDR_TYPESUPPORT(DualCompressedImage)
