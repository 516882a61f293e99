// The library's one load-time step: every handle gets the identifier of
// rosidl_typesupport_c, which lives in librosidl_typesupport_c.
#include "dispatch.hpp"

ORVANE_H26X_MSGS__DEFINE_DISPATCH_LOAD_STEP(c)
