// Fast-CDR type support of the plain orvane_h26x_msgs/msg/MultiImage record.
#include "plain_cdr.hpp"

ORVANE_H26X_MSGS__DEFINE_PLAIN_CDR_TYPESUPPORT(MultiImage)
