#!/usr/bin/env bash
# Sets up (idempotent) and runs the package's example program from ./install.
. "$(dirname "$0")/common.sh"
ensure_dependencies
build_workspace
use_workspace
exec "$ROOT/install/orvane_h26x_msgs/lib/orvane_h26x_msgs/orvane_h26x_msgs_example"
