#!/usr/bin/env bash
# Sets up (idempotent), builds the benchmarks optimised and runs them with
# repetitions; the last table gives each operation against memcpy.
. "$(dirname "$0")/common.sh"
ensure_dependencies
build_workspace
use_stand_ins
build_dir="$ROOT/build/bench"
cmake -S "$ROOT" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
  -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target bench_cdr
"$build_dir/benchmark/bench_cdr" --benchmark_repetitions=7 --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.2 "$@"
