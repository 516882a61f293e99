#!/usr/bin/env bash
# The stream tools against an independent DDS peer (dds_peer), as separate
# processes. Usage: stream_tools.sh SCENARIO TOOLS_DIR PEER SAMPLE_DIR OUT_DIR DOMAIN [TRANSPORT]
# Scenarios: interop (both directions, both message shapes, one transport),
# best-effort, stereo, interrupt, limits, hostile.
# Scenarios on the tools' default transport (TRANSPORT node) give the tools no
# DDS option at all: they take the domain from ROS_DOMAIN_ID.
set -eu
scenario="$1" tools="$2" peer="$3" samples="$4" out="$5" domain="$6" transport="${7:-shm}"
pair="$(cd "$(dirname "$0")/../../scripts" && pwd)/run_pair.sh"
cyclone="$(dirname "$peer")/cyclone_peer"
common=(--domain "$domain" --transport "$transport")
export ROS_LOCALHOST_ONLY=1 ROS_DOMAIN_ID="$domain"
h264="$samples/sample.h264" h265="$samples/sample.h265"
rm -rf "$out" && mkdir -p "$out" && cd "$out"

# The value of "NAME N" in the recorder's summary line.
summary_value() { sed -n "s/^recorder:.* \([0-9][0-9]*\) $1.*/\1/p" recorder.log | head -1; }

# Until the recorder has reported its first 25 frames (at most 30 s).
wait_for_frames() {
  for _ in $(seq 600); do
    grep -q "^recorder: 25 frames received" recorder.log && return
    sleep 0.05
  done
}

# After a best-effort sender -> recorder run logged in recorder.log: what
# arrived is whole, in order and byte-exact, and the losses reported (and the
# exit status) say what is missing.
check_best_effort() {  # RECORDING
  cat recorder.log
  local lost
  lost=$(summary_value 'frames lost')
  grep -q "^sender exit 0, receiver exit $([ "$lost" = 0 ] && echo 0 || echo 1)\$" recorder.log ||
    { echo "unexpected exit status with $lost frames lost"; exit 1; }
  "$(dirname "$peer")/check_recording" "$h264" "$1" "$(summary_value frames,)" "$lost"
}

case "$scenario" in
  interop)
    echo "=== h26x_publisher -> independent peer ($transport)"
    "$pair" "$peer" receive --output peer.h264 --topic rt/camera/h26x "${common[@]}" -- \
      "$tools/h26x_publisher" --input "$h264" --topic /camera/h26x "${common[@]}"
    cmp "$h264" peer.h264
    "$pair" "$peer" receive --type MultiCompressed --output peer_multi --topic rt/camera/h26x_multi "${common[@]}" -- \
      "$tools/h26x_publisher" --input "$h264" --input "$h265" "${common[@]}"
    cmp "$h264" peer_multi.0 && cmp "$h265" peer_multi.1
    echo "=== independent peer -> h26x_recorder ($transport)"
    "$pair" "$tools/h26x_recorder" --output recorded.h264 --topic camera/h26x "${common[@]}" -- \
      "$peer" send --input "$h264" --topic rt/camera/h26x "${common[@]}"
    cmp "$h264" recorded.h264
    "$pair" "$tools/h26x_recorder" --multi --output recorded_multi "${common[@]}" -- \
      "$peer" send --type MultiCompressed --input "$h264" --input "$h265" --topic rt/camera/h26x_multi "${common[@]}"
    cmp "$h264" recorded_multi.0 && cmp "$h265" recorded_multi.1
    ;;
  best-effort)
    # Best-effort may drop frames: what arrives must be whole, in order and
    # byte-exact, and the losses reported must be the frames missing.
    echo "=== a best-effort (sensor-data QoS) peer -> h26x_recorder"
    "$pair" "$tools/h26x_recorder" --output recorded.h264 "${common[@]}" -- \
      "$peer" send --best-effort --fps 100 --input "$h264" "${common[@]}" >recorder.log 2>&1 || true
    check_best_effort recorded.h264
    ;;
  stereo)
    echo "=== two images per message, of different sizes -> two files"
    "$pair" "$tools/h26x_recorder" --output stereo "${common[@]}" -- \
      "$peer" send --input "$h264" --input "$h265" "${common[@]}"
    cmp "$h264" stereo.0 && cmp "$h265" stereo.1
    [ ! -e stereo ] || { echo "a file named without its stream index is left"; exit 1; }
    ;;
  interrupt)
    echo "=== SIGINT in the middle of a paced stream"
    "$tools/h26x_recorder" --output cut.h264 "${common[@]}" 2>recorder.log &
    recorder=$!
    "$tools/h26x_publisher" --input "$h264" --fps 25 "${common[@]}" 2>publisher.log &
    publisher=$!
    # In the middle: once 25 of the 150 frames (a second's worth) have come.
    wait_for_frames
    kill -INT "$recorder"
    status=0
    wait "$recorder" || status=$?
    cat recorder.log
    wait "$publisher"
    [ "$status" -eq 0 ] || { echo "recorder exit $status"; exit 1; }
    grep -q "stopped by signal" recorder.log
    size=$(stat -c %s cut.h264)
    reported=$(sed -n 's/^recorded cut.h264: [0-9]* frames, \([0-9]*\) bytes$/\1/p' recorder.log)
    [ "$size" = "$reported" ] || { echo "file has $size bytes, summary says $reported"; exit 1; }
    [ "$size" -gt 0 ] && [ "$size" -lt "$(stat -c %s "$h264")" ] || { echo "not a part of the stream: $size"; exit 1; }
    cmp -n "$size" "$h264" cut.h264
    # Whole access units: the input goes on with a start code where the file ends.
    next=$(od -An -tx1 -j "$size" -N 4 "$h264" | tr -d ' \n')
    case "$next" in 00000001|000001*) ;; *) echo "cut inside an access unit (next bytes $next)"; exit 1 ;; esac
    echo "cut.h264: the first $size bytes of the input, whole access units"
    ;;
  limits)
    echo "=== --frames, --duration and SIGTERM end a recording"
    run_limited() {  # FPS OUTPUT RECORDER_ARGS...
      local fps="$1" output="$2"; shift 2
      "$tools/h26x_publisher" --input "$h264" --fps "$fps" "${common[@]}" 2>publisher.log &
      publisher=$!
      "$tools/h26x_recorder" --output "$output" "$@" "${common[@]}" 2>recorder.log &
      recorder=$!
    }
    run_limited 100 twenty.h264 --frames 20
    wait "$recorder" || { cat recorder.log; echo "--frames: recorder failed"; exit 1; }
    wait "$publisher"
    [ "$(summary_value frames,)" = 20 ] || { cat recorder.log; echo "--frames 20 recorded $(summary_value frames,)"; exit 1; }
    cmp -n "$(stat -c %s twenty.h264)" "$h264" twenty.h264
    # --duration ends the recording, not the stream (7.5 s at 20 frames/s);
    # how soon after the 2 s it ends depends on the machine, so only the
    # lower bound is checked.
    started=$(date +%s%N)
    run_limited 20 second.h264 --duration 2
    wait "$recorder" || { cat recorder.log; echo "--duration: recorder failed"; exit 1; }
    elapsed_ms=$(( ($(date +%s%N) - started) / 1000000 ))
    wait "$publisher"
    frames=$(summary_value frames,)
    [ "$frames" -gt 0 ] && [ "$frames" -lt 150 ] && [ "$elapsed_ms" -ge 2000 ] &&
      grep -q "(no end-of-stream marker)" recorder.log ||
      { cat recorder.log; echo "--duration 2: $frames frames, ended after $elapsed_ms ms"; exit 1; }
    cmp -n "$(stat -c %s second.h264)" "$h264" second.h264
    run_limited 100 term.h264
    wait_for_frames
    kill -TERM "$recorder"
    wait "$recorder" || { cat recorder.log; echo "SIGTERM: recorder failed"; exit 1; }
    wait "$publisher"
    grep -q "stopped by signal" recorder.log
    cmp -n "$(stat -c %s term.h264)" "$h264" term.h264
    echo "--frames 20: 20 frames; --duration 2: $frames frames after $elapsed_ms ms; SIGTERM: a clean prefix"
    ;;
  hostile)
    echo "=== hostile samples, then five valid frames and the marker"
    status=0
    "$pair" "$tools/h26x_recorder" --output valid.h264 "${common[@]}" -- \
      "$peer" hostile --input "$h264" "${common[@]}" 2>recorder.log || status=$?
    cat recorder.log
    [ "$status" -eq 0 ] || exit 1
    [ "$(summary_value frames,)" = 5 ] || { echo "expected 5 frames"; exit 1; }
    [ "$(summary_value 'frames lost')" = 0 ]
    malformed=$(summary_value 'malformed samples')
    [ "$malformed" -ge 8 ] || { echo "expected 8 malformed samples, the summary says $malformed"; exit 1; }
    [ "$(summary_value 'samples with too many streams')" = 1 ]
    size=$(stat -c %s valid.h264)
    cmp -n "$size" "$h264" valid.h264
    peak=$(sed -n 's/.*peak memory \([0-9]*\) MiB.*/\1/p' recorder.log)
    [ "$peak" -lt 256 ] || { echo "peak memory $peak MiB"; exit 1; }
    echo "valid.h264: the five valid frames; $malformed malformed samples and one with too many streams dropped"
    ;;
  node-environment)
    echo "=== no DDS options: the tools meet a participant set up as rmw_fastrtps_cpp sets up a node's"
    "$pair" "$peer" receive --output peer.h264 --topic rt/camera/h26x --domain "$domain" --transport node -- \
      "$tools/h26x_publisher" --input "$h264" --fps 0
    cmp "$h264" peer.h264
    "$pair" "$tools/h26x_recorder" --output recorded.h264 -- \
      "$peer" send --input "$h264" --topic rt/camera/h26x --domain "$domain" --transport node
    cmp "$h264" recorded.h264
    ;;
  cyclone-reader)
    for run in $(seq 10); do
      # The stream's own rate (25 frames/s) in the first run, twice that after.
      rate=(); [ "$run" = 1 ] || rate=(--fps 50)
      echo "=== run $run: h26x_publisher -> Cyclone DDS reader, ROS 2's default QoS, paced"
      "$pair" "$cyclone" receive --output paced.h264 --domain "$domain" -- \
        "$tools/h26x_publisher" --input "$h264" "${rate[@]}"
      cmp "$h264" paced.h264
      echo "=== run $run: MultiCompressed -> Cyclone DDS keep-all reader, as fast as it takes"
      "$pair" "$cyclone" receive --keep-all --type MultiCompressed --output multi --topic rt/camera/h26x_multi \
        --domain "$domain" -- "$tools/h26x_publisher" --input "$h264" --input "$h265" --fps 0
      cmp "$h264" multi.0 && cmp "$h265" multi.1
    done
    ;;
  cyclone-writer)
    for run in $(seq 10); do
      echo "=== run $run: Cyclone DDS writer -> h26x_recorder: reliable, stereo, best-effort"
      "$pair" "$tools/h26x_recorder" --output recorded.h264 -- "$cyclone" send --input "$h264" --domain "$domain"
      cmp "$h264" recorded.h264
      "$pair" "$tools/h26x_recorder" --output stereo -- \
        "$cyclone" send --input "$h264" --input "$h265" --domain "$domain"
      cmp "$h264" stereo.0 && cmp "$h265" stereo.1
      "$pair" "$tools/h26x_recorder" --output best_effort.h264 -- \
        "$cyclone" send --best-effort --fps 100 --input "$h264" --domain "$domain" >recorder.log 2>&1 || true
      check_best_effort best_effort.h264
    done
    ;;
  first-frame)
    # No head start for the reader: both start at the same moment. Every
    # other run the first frame is a raw 1920x1080 image, sent in fragments.
    # The reader fails on any gap in `count`, the first frame's included.
    for run in $(seq 10); do
      "$cyclone" receive --keep-all --output first --domain "$domain" 2>reader.log &
      reader=$!
      if [ $((run % 2)) = 1 ]; then input=(--input "$h264"); else input=(--raw 1920x1080 --frames 3); fi
      "$tools/h26x_publisher" "${input[@]}" --fps 0 2>publisher.log
      wait "$reader" || { cat publisher.log reader.log; exit 1; }
      [ $((run % 2)) = 0 ] || cmp "$h264" first || { cat publisher.log reader.log; exit 1; }
    done
    echo "the first frame and all after it arrived in 10 runs of 10"
    ;;
  *) echo "unknown scenario $scenario"; exit 2 ;;
esac
