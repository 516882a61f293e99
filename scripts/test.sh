#!/usr/bin/env bash
# Sets up (idempotent), then builds and runs the whole test suite: a plain
# build, one with AddressSanitizer and UndefinedBehaviorSanitizer, the
# concurrency test under ThreadSanitizer, a short run of every fuzzer, and
# the unit tests under valgrind memcheck.
. "$(dirname "$0")/common.sh"
ensure_dependencies
build_workspace
use_stand_ins

jobs="$(nproc)"
# plain: everything; address: ASan + UBSan over the unit tests; thread:
# ThreadSanitizer over the concurrency test.
for config in plain address thread; do
  build_dir="$ROOT/build/test-$config"
  sanitize="$config"
  [ "$config" = plain ] && sanitize=""
  echo "=== $config build"
  cmake -S "$ROOT" -B "$build_dir" -DBUILD_TESTING=ON -DORVANE_H26X_MSGS_SANITIZE="$sanitize" \
    -DORVANE_H26X_MSGS_INSTALLED="$ROOT/install/orvane_h26x_msgs" \
    -DPython3_EXECUTABLE=/usr/bin/python3 >"$build_dir.configure.log" 2>&1 ||
    { cat "$build_dir.configure.log"; exit 1; }
  filter=()
  if [ "$config" = thread ]; then
    cmake --build "$build_dir" -j "$jobs" --target test_concurrency
    filter=(-R Concurrency)
  else
    cmake --build "$build_dir" -j "$jobs"
  fi
  (cd "$build_dir" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j "$jobs" "${filter[@]}")
done

# Every reader under libFuzzer for a few seconds, from the seed corpora.
"$ROOT/scripts/fuzz.sh" 4

# The unit tests under valgrind memcheck.
"$ROOT/scripts/valgrind.sh"
