#!/usr/bin/env bash
# Sets up (idempotent), builds the benchmarks optimised and runs them:
#   cdr  the type supports against memcpy (Google Benchmark, repetitions; the
#        last table gives each operation against memcpy); extra arguments go
#        to the benchmark program
#   e2e  h26x_publisher to h26x_recorder over shared memory (raw 1920x1080
#        rgb8 images and the H.264 sample) and over UDP loopback (raw
#        images), as fast as the reader takes, beside the independent peer
#        (dds_peer) moving the same payloads with the same QoS policies and
#        Fast DDS's default timing and socket settings
#   python  conversion of the Python messages through their capsules
#   media  the tools' FFmpeg layer: decode and encode speed beside libavcodec
#        alone, and the latency from a raw 1920x1080 frame taken at 25
#        frames/s to its decoded picture in another process
# Usage: bench.sh [cdr|e2e|python|media|all] [benchmark arguments]   (default: all)
. "$(dirname "$0")/common.sh"
part="${1:-all}"
[ "$#" -gt 0 ] && shift
ensure_dependencies
build_workspace
use_stand_ins
build_dir="$ROOT/build/bench"
cmake -S "$ROOT" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
  -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target bench_cdr dds_peer h26x_publisher h26x_recorder \
  orvane_h26x_msgs_s__rosidl_typesupport_c rclpy_like bench_media h26x_view >/dev/null

if [ "$part" = cdr ] || [ "$part" = all ]; then
  "$build_dir/benchmark/bench_cdr" --benchmark_repetitions=7 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 "$@"
fi
export LD_LIBRARY_PATH="$build_dir:$LD_LIBRARY_PATH"
if [ "$part" = python ] || [ "$part" = all ]; then
  echo
  echo "Python conversions through the capsules (best of 5 runs):"
  echo
  (cd "$ROOT/test/python" && PYTHONPATH="$build_dir/python:$build_dir/test:${PYTHONPATH:-}" \
    /usr/bin/python3 bench_conversion.py)
fi
if [ "$part" = media ] || [ "$part" = all ]; then
  echo
  echo "The tools' FFmpeg layer (best of 3 runs; 100 frames at 1920x1080):"
  echo
  "$build_dir/benchmark/bench_media" "$ROOT/tools/sample/sample.h264" 100
  echo
  echo "Latency, raw 1920x1080 frame taken -> encoded -> Fast DDS (shared memory) -> decoded, 25 frames/s:"
  (export ROS_LOCALHOST_ONLY=1
   "$build_dir/tools/h26x_view" --live --timeout 5 --domain 93 --transport shm &
   viewer=$!
   sleep 0.5
   "$build_dir/tools/h26x_publisher" --encode h264 --source pattern:1920x1080 --frames 250 --fps 25 \
     --domain 93 --transport shm 2>/dev/null
   wait "$viewer") | grep "^h26x_view:"
fi
[ "$part" = e2e ] || [ "$part" = all ] || exit 0
# Nothing leaves this machine.
export ROS_LOCALHOST_ONLY=1

# ---- end to end ----
tools="$build_dir/tools" peer="$build_dir/test/dds_peer" sample="$ROOT/tools/sample/sample.h264"
work="$build_dir/e2e" && mkdir -p "$work"
raw_frames=150 runs=3

# Runs RECEIVER... -- SENDER... and prints "frames/s p50 p99": frames per
# second from the sender's first write until every frame is acknowledged
# (its summary line), latency from the receiver's summary line
# (h26x_recorder's or dds_peer's).
measure() {
  local log="$work/run.log"
  "$ROOT/scripts/run_pair.sh" "$@" >"$log" 2>&1 || { cat "$log"; exit 1; }
  local rate latency
  rate=$(sed -n 's/^\(h26x_publisher\|dds_peer\): \(sent \)\{0,1\}\([0-9]*\) frames, [0-9]* bytes in \([0-9.]*\) s.*/\3 \4/p' "$log" |
    awk '{printf "%.1f", $1 / $2}')
  latency=$(sed -n 's/^\(h26x_recorder\|dds_peer\): .*p50 \([0-9.]*\).*p99 \([0-9.]*\).*/\2 \3/p' "$log" | tail -1)
  echo "$rate $latency"
}

# The median run (by frames per second) of `runs` runs.
median_of_runs() {
  for _ in $(seq "$runs"); do measure "$@"; done | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

row() {  # LABEL TOOLS_RESULT PEER_RESULT
  echo "$2 $3" | awk -v label="$1" \
    '{printf "| %s | %.1f | %.2f | %.2f | %.1f | %.2f | %.2f | %.2f |\n", label, $1, $2, $3, $4, $5, $6, $1 / $4}'
}

header() {
  echo
  echo "$1, median of $runs runs (frames/s, latency ms):"
  echo
  echo "| payload | tools frames/s | tools p50 | tools p99 | peer frames/s | peer p50 | peer p99 | tools / peer |"
  echo "|---|---|---|---|---|---|---|---|"
}

# Raw frames: TRANSPORT DOMAIN FRAMES
raw_row() {
  local tools_raw peer_raw
  tools_raw=$(median_of_runs "$tools/h26x_recorder" --output /dev/null --domain "$2" --transport "$1" --timeout 60 -- \
    "$tools/h26x_publisher" --raw 1920x1080 --frames "$3" --fps 0 --domain "$2" --transport "$1")
  peer_raw=$(median_of_runs "$peer" bench-receive --tools-qos --domain $(($2 + 1)) --transport "$1" --timeout 60 -- \
    "$peer" bench-send --tools-qos --raw 1920x1080 --frames "$3" --domain $(($2 + 1)) --transport "$1")
  row "raw rgb8 1920x1080 (6.2 MB), $3 frames" "$tools_raw" "$peer_raw"
}

header "End to end over shared memory"
raw_row shm 91 "$raw_frames"
tools_h264=$(median_of_runs "$tools/h26x_recorder" --output /dev/null --domain 93 --transport shm -- \
  "$tools/h26x_publisher" --input "$sample" --fps 0 --domain 93 --transport shm)
peer_h264=$(median_of_runs "$peer" bench-receive --tools-qos --domain 94 --transport shm -- \
  "$peer" bench-send --tools-qos --input "$sample" --domain 94 --transport shm)
row "H.264 sample (150 frames, 1.4 kB each on average)" "$tools_h264" "$peer_h264"

header "End to end over UDP loopback"
raw_row udp-loopback 95 30
