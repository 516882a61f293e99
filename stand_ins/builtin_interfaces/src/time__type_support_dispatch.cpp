// The C dispatch handle of builtin_interfaces/msg/Time.
#include "stand_in_dispatch.hpp"

STAND_IN_C_DISPATCH(builtin_interfaces, Time)
