#!/usr/bin/env bash
# Sets up (idempotent), installs into ./install and runs the stream demo:
# the H.26x publisher and recorder over Fast DDS, on the bundled samples.
. "$(dirname "$0")/common.sh"
ensure_dependencies
build_workspace
use_workspace
exec "$ROOT/scripts/stream_demo.sh" --installed \
  "$ROOT/install/orvane_h26x_msgs/lib/orvane_h26x_msgs" \
  "$ROOT/install/orvane_h26x_msgs/share/orvane_h26x_msgs/sample" \
  "$ROOT/build/demo"
