#!/usr/bin/env bash
# Installs what is missing from Debian and builds the stand-ins and the
# package into ./install.
. "$(dirname "$0")/common.sh"
ensure_dependencies
build_workspace
