// The C dispatch handle of std_msgs/msg/Header.
#include "stand_in_dispatch.hpp"

STAND_IN_C_DISPATCH(std_msgs, Header)
