#!/usr/bin/env bash
# Sets up (idempotent), then builds and runs the whole test suite twice: a
# plain build and one with AddressSanitizer and UndefinedBehaviorSanitizer.
. "$(dirname "$0")/common.sh"
ensure_dependencies
build_workspace
use_workspace

jobs="$(nproc)"
for config in plain sanitize; do
  build_dir="$ROOT/build/test-$config"
  sanitize=OFF
  [ "$config" = sanitize ] && sanitize=ON
  echo "=== $config build"
  cmake -S "$ROOT" -B "$build_dir" -DBUILD_TESTING=ON -DORVANE_H26X_MSGS_SANITIZE="$sanitize" \
    -DPython3_EXECUTABLE=/usr/bin/python3 >"$build_dir.configure.log" 2>&1 ||
    { cat "$build_dir.configure.log"; exit 1; }
  cmake --build "$build_dir" -j "$jobs"
  (cd "$build_dir" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j "$jobs")
done
