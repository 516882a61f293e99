// The library's one load-time step: every handle gets the identifier of
// rosidl_typesupport_cpp, which lives in librosidl_typesupport_cpp.
#include "dispatch_cpp.hpp"

ORVANE_H26X_MSGS__DEFINE_DISPATCH_LOAD_STEP(cpp)
