#!/usr/bin/env bash
# Sets up (idempotent), then builds and runs the whole test suite: a plain
# build, one with AddressSanitizer and UndefinedBehaviorSanitizer, the
# concurrency test under ThreadSanitizer, a short run of every fuzzer, and
# the unit tests under valgrind memcheck.
. "$(dirname "$0")/common.sh"
ensure_dependencies
ensure_test_readers
build_workspace
use_stand_ins

jobs="$(nproc)"
passed=0
# plain: everything; address: ASan + UBSan over the unit tests; thread:
# ThreadSanitizer over the concurrency test and the browser viewer's hub.
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
    cmake --build "$build_dir" -j "$jobs" --target test_concurrency test_frame_hub
    filter=(-R "Concurrency|FrameHub")
  else
    cmake --build "$build_dir" -j "$jobs"
  fi
  (cd "$build_dir" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j "$jobs" "${filter[@]}") | tee "$build_dir.ctest.log"
  passed=$((passed + $(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$build_dir.ctest.log")))
done

# Every reader under libFuzzer for a few seconds, from the seed corpora.
"$ROOT/scripts/fuzz.sh" 4 | tee "$ROOT/build/fuzz.summary.log"
passed=$((passed + $(grep -c ' runs, cov: ' "$ROOT/build/fuzz.summary.log")))

# The unit tests under valgrind memcheck.
"$ROOT/scripts/valgrind.sh" | tee "$ROOT/build/valgrind.summary.log"
passed=$((passed + $(grep -c 'clean under memcheck' "$ROOT/build/valgrind.summary.log")))

echo "all: $passed passed, 0 failed"
