#!/usr/bin/env bash
# The stream tools against an independent DDS peer (dds_peer), as separate
# processes. Usage: stream_tools.sh SCENARIO TOOLS_DIR PEER SAMPLE_DIR OUT_DIR DOMAIN [TRANSPORT]
# Scenarios: interop (both directions, both message shapes, one transport),
# best-effort, stereo, interrupt, limits, hostile, dead-reader (a reader
# killed or stopped mid-stream), honest-exits (outputs and inputs that fail),
# camera (a sensor_msgs/Image camera in every encoding, encoded).
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

# The value of "N NAME" in the recorder's summary (LOG: recorder.log).
summary_value() { sed -n "s/^h26x_recorder:.* \([0-9][0-9]*\) $1.*/\1/p" "${2:-recorder.log}" | tail -1; }
# The frames a recorded file holds, as the recorder says.
recorded_frames() { sed -n "s/^recorded $1: \([0-9]*\) frames.*/\1/p" "${2:-recorder.log}"; }

# Until the recorder (LOG: recorder.log) has reported N (25) frames (at most 30 s).
wait_for_frames() {
  for _ in $(seq 600); do
    grep -q "^h26x_recorder: ${1:-25} frames received" "${2:-recorder.log}" && return
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
  "$(dirname "$peer")/check_recording" "$h264" "$1" "$(recorded_frames "$1")" \
    $((lost + $(summary_value 'units skipped')))
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
    [ "$(recorded_frames twenty.h264)" = 20 ] || { cat recorder.log; echo "--frames 20 recorded $(recorded_frames twenty.h264)"; exit 1; }
    cmp -n "$(stat -c %s twenty.h264)" "$h264" twenty.h264
    # --duration ends the recording, not the stream (7.5 s at 20 frames/s);
    # how soon after the 2 s it ends depends on the machine, so only the
    # lower bound is checked.
    started=$(date +%s%N)
    run_limited 20 second.h264 --duration 2
    wait "$recorder" || { cat recorder.log; echo "--duration: recorder failed"; exit 1; }
    elapsed_ms=$(( ($(date +%s%N) - started) / 1000000 ))
    wait "$publisher"
    frames=$(summary_value 'frames received')
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
    [ "$(recorded_frames valid.h264)" = 5 ] || { echo "expected 5 frames"; exit 1; }
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
      "$pair" "$tools/h26x_recorder" --output recorded.h264 --overwrite -- "$cyclone" send --input "$h264" --domain "$domain"
      cmp "$h264" recorded.h264
      rm -f stereo.0 stereo.1
      "$pair" "$tools/h26x_recorder" --output stereo -- \
        "$cyclone" send --input "$h264" --input "$h265" --domain "$domain"
      cmp "$h264" stereo.0 && cmp "$h265" stereo.1
      "$pair" "$tools/h26x_recorder" --output best_effort.h264 --overwrite -- \
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
  dead-reader)
    # Three recorders on a paced stream of 500 frames; one is killed, then
    # one is stopped (SIGSTOP, never resumed) at frame 100. The two others
    # must get every frame and the publisher must end well.
    "$(dirname "$peer")/check_media" units "$h264" 0 500 long.h264
    for signal in KILL STOP; do
      echo "=== SIG$signal to one of three readers at frame 100 of 500 ($transport)"
      rm -f ./*.h264.out ./*.log
      for reader in a b c; do
        "$tools/h26x_recorder" --output "$reader.h264.out" --timeout 30 "${common[@]}" 2>"$reader.log" &
        eval "$reader=\$!"
      done
      "$tools/h26x_publisher" --input long.h264 --fps 100 "${common[@]}" 2>publisher.log &
      publisher=$!
      wait_for_frames 100 a.log
      kill -"$signal" "$a"
      status=0
      wait "$publisher" || status=$?
      for reader in b c; do
        wait "${!reader}" || { cat publisher.log "$reader.log"; echo "reader $reader failed"; exit 1; }
        cmp long.h264 "$reader.h264.out" || { cat "$reader.log"; exit 1; }
      done
      kill -KILL "$a" 2>/dev/null || true
      wait "$a" 2>/dev/null || true
      grep -v "frames sent" publisher.log
      [ "$status" = 0 ] || { echo "the publisher exited $status"; exit 1; }
      echo "SIG$signal: the two other readers got all 500 frames byte-identical; the publisher exited 0"
    done
    ;;
  camera)
    # A camera driver (the peer) publishes sensor_msgs/Image with its own
    # stamps; the encoding publisher's Compressed, received by the peer and
    # decoded by the ffmpeg program, must be those pictures with those headers.
    camera_run() {  # ENCODING PUBLISHER_OPTIONS...
      local encoding="$1"; shift
      "$peer" receive --output "$encoding.h264" "${common[@]}" --timeout 60 2>/dev/null &
      local receiver=$!
      "$tools/h26x_publisher" --encode h264 --source topic:/camera/image_raw "$@" "${common[@]}" \
        2>"publisher.$encoding.log" &
      local publisher=$!
      "$peer" camera --encoding "$encoding" --raw 160x120 --fps 20 --output "$encoding.source" \
        --topic rt/camera/image_raw "${common[@]}" $best_effort 2>/dev/null &
      local camera=$!
      local status=0
      wait "$publisher" || status=$?
      kill "$camera" "$receiver" 2>/dev/null || true
      wait "$camera" || true
      return "$status"
    }
    best_effort=""
    for layout in rgb8:rgb24:3:255 bgr8:bgr24:3:255 rgba8:rgba:4:255 bgra8:bgra:4:255 mono8:gray:1:255 \
      mono16:gray16be:2:65535 yuv422:uyvy422:2:255 uyvy:uyvy422:2:255 yuv422_yuy2:yuyv422:2:255 nv12:nv12:1.5:255
    do
      IFS=: read -r encoding format pixel_bytes max_value <<<"$layout"
      echo "=== $encoding"
      [ "$encoding" = nv12 ] && best_effort=--best-effort  # sensor-data QoS matched too
      camera_run "$encoding" --frames 12
      grep -v "frames sent" "publisher.$encoding.log"
      ffmpeg -nostdin -v error -i "$encoding.h264" -f rawvideo -pix_fmt "$format" "$encoding.decoded"
      python3 "$(dirname "$0")/camera_frames.py" "$encoding.decoded" "$encoding.source" \
        "$(awk -v b="$pixel_bytes" 'BEGIN {print 160 * 120 * b}')" "$encoding.h264.stamps" "$max_value"
    done
    echo "=== an encoding no encoder takes: one line, counted, nothing sent (status 1)"
    best_effort=""
    status=0
    ( sleep 4; pkill -INT -f "h26x_publisher --encode h264 --source topic:/camera/image_raw --domain $domain" ) &
    camera_run 32FC1 || status=$?
    cat publisher.32FC1.log
    [ "$status" = 1 ] && grep -q "frames of encoding '32FC1' (160x120, 76800 bytes) cannot be encoded here: skipped" \
      publisher.32FC1.log && grep -q "frames of encodings not read here were skipped" publisher.32FC1.log
    ;;
  honest-exits)
    run_recorder() {  # EXPECTED_STATUS ARGS...: the recorder alone, ending at once
      local expected="$1" status=0; shift
      timeout 10 "$tools/h26x_recorder" --timeout 5 "$@" "${common[@]}" 2>recorder.log || status=$?
      cat recorder.log
      [ "$status" = "$expected" ] || { echo "h26x_recorder $*: status $status, not $expected"; exit 1; }
    }
    echo "=== outputs that cannot be written fail at once, before any sample is awaited"
    mkdir -p folder && echo taken >taken.h264
    for output in missing/out.mp4 missing/out.mkv missing/out.h264 folder taken.h264; do
      started=$(date +%s%N)
      run_recorder 1 --output "$output"
      [ $(( ($(date +%s%N) - started) / 1000000 )) -lt 4000 ] || { echo "$output: not at once"; exit 1; }
    done
    [ "$(cat taken.h264)" = taken ] || { echo "an existing file was overwritten"; exit 1; }
    echo "=== rgb8 frames into MP4: nothing written, not a success"
    status=0
    "$pair" "$tools/h26x_recorder" --output raw.mp4 "${common[@]}" -- \
      "$tools/h26x_publisher" --raw 64x48 --frames 20 "${common[@]}" >recorder.log 2>&1 || status=$?
    cat recorder.log
    grep -q "^sender exit 0, receiver exit 1$" recorder.log && [ ! -e raw.mp4 ] || { echo "raw.mp4: a success?"; exit 1; }
    echo "=== a stream without a key frame into MP4 and into Annex-B: nothing written, not a success"
    "$(dirname "$peer")/check_media" units "$h265" 1 49 no_key.h265
    for output in no_key.mp4 no_key.h265.out; do
      status=0
      "$pair" "$tools/h26x_recorder" --output "$output" "${common[@]}" -- \
        "$tools/h26x_publisher" --input no_key.h265 --fps 0 "${common[@]}" >recorder.log 2>&1 || status=$?
      cat recorder.log
      grep -q "^sender exit 0, receiver exit 1$" recorder.log && grep -q "$output: nothing written" recorder.log &&
        [ ! -e "$output" ] || { echo "$output: a success?"; exit 1; }
    done
    echo "=== two recorders, one file: the second refuses at once, --overwrite or not"
    "$tools/h26x_recorder" --output shared.h264 --timeout 3 "${common[@]}" 2>first.log &
    first=$!
    sleep 1
    run_recorder 1 --output shared.h264 --overwrite
    grep -q "being written by another program" recorder.log
    wait "$first" || true
    echo "=== inputs that are not what they claim"
    head -c 100000 /dev/urandom >random.h264
    status=0
    "$tools/h26x_publisher" --input random.h264 --wait 1 "${common[@]}" 2>publisher.log || status=$?
    cat publisher.log
    [ "$status" = 1 ] && grep -q "neither an H.264 / H.265 Annex-B stream" publisher.log
    status=0
    "$tools/h26x_view" --input random.h264 >view.log 2>&1 || status=$?
    cat view.log
    [ "$status" = 1 ] || { echo "h26x_view on random bytes exited $status"; exit 1; }
    status=0
    "$tools/h26x_view" --input "$h264" --sheet huge.png --grid 64x64 --tile-width 4096 >view.log 2>&1 || status=$?
    cat view.log
    [ "$status" = 2 ] && [ ! -e huge.png ] || { echo "an absurd sheet: status $status"; exit 1; }
    echo "honest exits: every case ended with its one line and a failing status"
    ;;
  *) echo "unknown scenario $scenario"; exit 2 ;;
esac
