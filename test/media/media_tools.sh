#!/usr/bin/env bash
# The FFmpeg side of the stream tools, as separate processes on one domain.
# Usage: media_tools.sh SCENARIO TOOLS_DIR CHECK_MEDIA SAMPLE_DIR OUT_DIR DOMAIN
# Scenarios: containers (MP4 and Matroska recordings, their decoding and a
# contact sheet), live (a topic decoded as it comes), cut (SIGINT and SIGKILL mid-stream), damaged (a stream with
# a truncated and a missing unit), encode (the encoding publisher with
# originals, recorded and decoded).
set -eu
scenario="$1" tools="$2" check="$3" samples="$4" out="$5" domain="$6"
pair="$(cd "$(dirname "$0")/../../scripts" && pwd)/run_pair.sh"
common=(--domain "$domain" --transport shm)
export ROS_LOCALHOST_ONLY=1
h264="$samples/sample.h264"
rm -rf "$out" && mkdir -p "$out" && cd "$out"

# The span of arrival times in the recorder's summary ("over S s").
recorded_span() { sed -n 's/^recorder:.* over \([0-9.]*\) s;.*/\1/p' "$1" | head -1; }

case "$scenario" in
  containers)
    for ext in mp4 mkv; do
      echo "=== the sample, paced at its 25 frames/s, recorded into .$ext"
      "$pair" "$tools/h26x_recorder" --output "recorded.$ext" "${common[@]}" -- \
        "$tools/h26x_publisher" --input "$h264" "${common[@]}" 2>"recorder.$ext.log"
      "$check" container "recorded.$ext" "$h264" "$(recorded_span "recorder.$ext.log")"
    done
    echo "=== a burst, stamps closer than the containers' ticks"
    "$check" burst "$h264" burst.mp4
    "$check" burst "$h264" burst.mkv
    echo "=== decoded: every frame as the sample decodes directly"
    "$tools/h26x_view" --input recorded.mp4 --frames frames | tee view.log
    grep -q "^h26x_view: 150 frames decoded, 0 decode errors, 0 units skipped, 320x240" view.log
    "$check" frames frames "$h264"
    echo "=== a contact sheet of the Matroska recording"
    "$tools/h26x_view" --input recorded.mkv --sheet sheet.png --grid 4x3 --tile-width 160
    "$check" sheet sheet.png "$h264" 4 3 160
    ;;
  live)
    echo "=== the live topic decoded as it comes: every frame as the sample decodes directly"
    "$pair" "$tools/h26x_view" --live --frames frames "${common[@]}" -- \
      "$tools/h26x_publisher" --input "$h264" "${common[@]}" >view.log 2>/dev/null
    cat view.log
    grep -q "^h26x_view: 150 frames decoded, 0 decode errors, 0 units skipped, 320x240" view.log
    grep -q "^h26x_view: latency from the stamp to the decoded frame" view.log
    "$check" frames frames "$h264"
    ;;
  cut)
    for signal in INT KILL; do
      echo "=== SIG$signal to the recorder in the middle of a paced stream"
      "$tools/h26x_recorder" --output "cut_$signal.mp4" "${common[@]}" 2>"recorder_$signal.log" &
      recorder=$!
      "$tools/h26x_publisher" --input "$h264" "${common[@]}" 2>/dev/null &
      publisher=$!
      for _ in $(seq 600); do grep -q "^recorder: 25 frames received" "recorder_$signal.log" && break; sleep 0.05; done
      kill "-$signal" "$recorder"
      wait "$recorder" || true
      kill "$publisher" 2>/dev/null || true
      wait "$publisher" || true
      "$check" container "cut_$signal.mp4" "$h264" 0 prefix >"check_$signal.log" 2>&1 ||
        { cat "check_$signal.log"; grep -v "frames received" "recorder_$signal.log"; exit 1; }
      cat "check_$signal.log"
      if [ "$signal" = INT ]; then  # stopped in order: every frame received is in the file
        received=$(sed -n 's/^recorded cut_INT.mp4: \([0-9]*\) frames.*/\1/p' "recorder_$signal.log")
        grep -q "^cut_INT.mp4: $received units" check_INT.log || { echo "the file lacks frames received"; exit 1; }
      fi
    done
    ;;
  damaged)
    echo "=== a truncated and a missing unit: counted, skipped, whole again after the next key frame"
    "$check" damage "$h264" damaged.h264
    status=0
    "$tools/h26x_view" --input damaged.h264 --frames frames >view.log || status=$?
    cat view.log
    [ "$status" = 1 ] || { echo "h26x_view exited $status on a damaged stream"; exit 1; }
    grep -qE "^h26x_view: [0-9]+ frames decoded, [1-9][0-9]* decode errors" view.log
    "$check" frames frames "$h264" 100
    ;;
  encode)
    echo "=== a test pattern encoded with its originals, recorded into Matroska, decoded"
    "$pair" "$tools/h26x_recorder" --multi --output encoded.mkv "${common[@]}" -- \
      "$tools/h26x_publisher" --encode h264 --source pattern:320x240 --frames 50 --with-originals "${common[@]}"
    "$check" originals encoded.mkv.original.0 encoded.0.mkv 320 240 50 30
    "$tools/h26x_view" --input encoded.0.mkv | grep "^h26x_view: 50 frames decoded, 0 decode errors"
    ;;
  *)
    echo "unknown scenario $scenario"; exit 2 ;;
esac
echo "$scenario: passed"
