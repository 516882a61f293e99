#!/usr/bin/env bash
# Sets up (idempotent), builds the libFuzzer harnesses with clang (ASan and
# UBSan) and runs each for SECONDS (default 10) on its corpus, seeded with
# valid messages of every type. Reads may never ask for more than 256 MiB at
# once (-malloc_limit_mb): hostile counts must not get near that.
# Usage: fuzz.sh [SECONDS]
. "$(dirname "$0")/common.sh"
seconds="${1:-10}"
ensure_dependencies
build_workspace
use_stand_ins
build_dir="$ROOT/build/fuzz"
CC=clang-14 CXX=clang++-14 cmake -S "$ROOT" -B "$build_dir" -DORVANE_H26X_MSGS_SANITIZE=fuzz \
  -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
cmake --build "$build_dir" -j "$(nproc)" >"$build_dir.build.log" 2>&1 || { tail -40 "$build_dir.build.log"; exit 1; }
rm -rf "$build_dir/seeds"
"$build_dir/fuzz/fuzz_seeds" "$build_dir/seeds"
"$build_dir/fuzz/fuzz_bag_seeds" "$build_dir/seeds"

failed=0
# The decode harness starts from the bundled streams' first units (a codec
# byte, then the stream).
mkdir -p "$build_dir/seeds/decode"
{ printf '\x00'; head -c 20000 "$ROOT/tools/sample/sample.h264"; } >"$build_dir/seeds/decode/h264"
{ printf '\x01'; head -c 20000 "$ROOT/tools/sample/sample.h265"; } >"$build_dir/seeds/decode/h265"

# The request harness from a few requests the page and its viewers make.
mkdir -p "$build_dir/seeds/web"
printf 'GET /?token=secret HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n' >"$build_dir/seeds/web/page"
printf 'GET /ws?token=secret HTTP/1.1\r\nHost: localhost:8080\r\nOrigin: http://localhost:8080\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n' >"$build_dir/seeds/web/viewer"
printf 'GET /%%2e%%2e/index.html HTTP/1.1\r\nHost: [::1]:8080\r\nAuthorization: Bearer secret\r\n\r\n' >"$build_dir/seeds/web/path"

for harness in "$build_dir"/fuzz/fuzz_read_* "$build_dir/fuzz/fuzz_round_trip" "$build_dir/fuzz/fuzz_decode" \
  "$build_dir/fuzz/fuzz_bag_mcap" "$build_dir/fuzz/fuzz_bag_sqlite" "$build_dir/fuzz/fuzz_web_request"; do
  name="$(basename "$harness")"
  extra=()
  case "$name" in
    fuzz_round_trip) seeds="$build_dir/seeds/round_trip" ;;
    fuzz_decode) seeds="$build_dir/seeds/decode"; extra=(-max_len=20001) ;;
    fuzz_bag_mcap) seeds="$build_dir/seeds/mcap" ;;
    fuzz_bag_sqlite) seeds="$build_dir/seeds/sqlite" ;;
    fuzz_web_request) seeds="$build_dir/seeds/web"; extra=(-max_len=12000) ;;
    *) seeds="$build_dir/seeds/${name##*_}" ;;
  esac
  corpus="$build_dir/corpus/$name"
  artifacts="$build_dir/artifacts/$name"
  mkdir -p "$corpus" "$artifacts"
  if "$harness" "$corpus" "$seeds" -max_total_time="$seconds" -malloc_limit_mb=256 -rss_limit_mb=2048 "${extra[@]}" \
      -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts/" >"$artifacts/log" 2>&1; then
    printf '%-40s %s\n' "$name" "$(grep -E '^stat::number_of_executed_units' "$artifacts/log" | awk '{print $2 " runs"}'), $(grep -oE 'cov: [0-9]+' "$artifacts/log" | tail -1)"
  else
    failed=1
    echo "$name FOUND A PROBLEM:"
    tail -40 "$artifacts/log"
  fi
done
[ "$failed" -eq 0 ] && echo "fuzzing: no findings" || { echo "fuzzing: findings above"; exit 1; }
