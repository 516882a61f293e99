#!/usr/bin/env bash
# Sets up (idempotent) and runs the unit tests under valgrind memcheck, in a
# plain build: any memory error or definite leak fails. (The wire-limit test
# that fills 4 GiB is left out; it is slow under valgrind and allocates only
# through std::vector.)
. "$(dirname "$0")/common.sh"
ensure_dependencies
build_workspace
use_stand_ins
build_dir="$ROOT/build/valgrind"
cmake -S "$ROOT" -B "$build_dir" -DBUILD_TESTING=ON -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
cmake --build "$build_dir" -j "$(nproc)" >/dev/null
status=0
for test in test_stand_ins test_definitions test_plain_records test_plain_cdr test_introspection test_introspection_c test_class_cdr \
    test_concurrency test_frame_hub; do
  if valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect \
      "$build_dir/test/$test" --gtest_filter=-ClassCdr.AContainerTooLongForTheWire* >"$build_dir/$test.valgrind.log" 2>&1; then
    echo "$test: clean under memcheck ($(grep -E '^\[  PASSED  \]' "$build_dir/$test.valgrind.log"))"
  else
    status=1
    echo "$test: memcheck found problems:"
    grep -E '==[0-9]+==|FAILED' "$build_dir/$test.valgrind.log" | head -40
  fi
done
# The Python messages through their capsules (round trips and error paths).
log="$build_dir/python_messages.valgrind.log"
if (cd "$ROOT/test/python" && PYTHONMALLOC=malloc PACKAGE_SOURCE_DIR="$ROOT" \
    PYTHONPATH="$build_dir/python:$build_dir/test:${PYTHONPATH:-}" LD_LIBRARY_PATH="$build_dir:$LD_LIBRARY_PATH" \
    valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
    /usr/bin/python3 -m unittest test_messages) >"$log" 2>&1; then
  echo "python_messages: clean under memcheck ($(grep -E '^Ran [0-9]+ tests' "$log"))"
else
  status=1
  echo "python_messages: memcheck found problems:"
  grep -E '==[0-9]+==|FAIL|Error' "$log" | head -40
fi
exit "$status"
