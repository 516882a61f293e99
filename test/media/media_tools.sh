#!/usr/bin/env bash
# The FFmpeg side of the stream tools, as separate processes on one domain.
# Usage: media_tools.sh SCENARIO TOOLS_DIR CHECK_MEDIA SAMPLE_DIR OUT_DIR DOMAIN
# Scenarios: containers (MP4 and Matroska recordings, their decoding and a
# contact sheet), live (a topic decoded as it comes), cut (SIGINT and SIGKILL mid-stream), damaged (a stream with
# a truncated and a missing unit), encode (the encoding publisher with
# originals, recorded and decoded; a late viewer's first picture), y4m (every layout encoded, and the file's
# timeline), timing (frame rates from an H.265 SPS, presentation from 0),
# full-disk (recordings that fill the disk end on whole frames, a bag on whole chunks),
# split (a recording in pieces by duration and by size), network (an RTSP camera over UDP and TCP, killed
# and started again; MPEG-TS over UDP).
set -eu
scenario="$1" tools="$2" check="$3" samples="$4" out="$5" domain="$6"
here="$(cd "$(dirname "$0")" && pwd)"
pair="$here/../../scripts/run_pair.sh"
common=(--domain "$domain" --transport shm)
export ROS_LOCALHOST_ONLY=1
h264="$samples/sample.h264"
rm -rf "$out" && mkdir -p "$out" && cd "$out"

# The span of arrival times in the recorder's summary ("over S s").
recorded_span() { sed -n 's/^h26x_recorder:.* over \([0-9.]*\) s;.*/\1/p' "$1" | head -1; }

case "$scenario" in
  containers)
    for ext in mp4 mkv; do
      echo "=== the sample, paced at its 25 frames/s, recorded into .$ext"
      "$pair" "$tools/h26x_recorder" --output "recorded.$ext" "${common[@]}" -- \
        "$tools/h26x_publisher" --input "$h264" "${common[@]}" 2>"recorder.$ext.log"
      "$check" container "recorded.$ext" "$h264" "$(recorded_span "recorder.$ext.log")"
    done
    echo "=== the Annex-B sample itself into MP4: on its own timeline (25 frames/s from its SPS)"
    "$tools/h26x_view" --input "$h264" --output direct.mp4
    "$check" probe direct.mp4 | tee probe.log
    grep -q "^frames 150 duration 6.000 start 0.000" probe.log
    echo "=== the MP4 recording published again: the sample, unit for unit"
    "$pair" "$tools/h26x_recorder" --output again.h264 "${common[@]}" -- \
      "$tools/h26x_publisher" --input recorded.mp4 --fps 0 "${common[@]}" 2>/dev/null
    cmp "$h264" again.h264
    echo "=== looped, the MP4 and the Annex-B sample: again from the start, nothing lost or repeated at the seam"
    for input in recorded.mp4 "$h264"; do
      "$pair" "$tools/h26x_recorder" --output looped.h264 --overwrite "${common[@]}" -- \
        "$tools/h26x_publisher" --input "$input" --loop --frames 300 --fps 0 "${common[@]}" 2>/dev/null
      cat "$h264" "$h264" | cmp - looped.h264
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
      for _ in $(seq 600); do grep -q "^h26x_recorder: 25 frames received" "recorder_$signal.log" && break; sleep 0.05; done
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
    "$tools/h26x_view" --input damaged.h264 --frames frames >view.log 2>errors.log || status=$?
    cat view.log errors.log
    [ "$status" = 1 ] || { echo "h26x_view exited $status on a damaged stream"; exit 1; }
    grep -qE "^h26x_view: [0-9]+ frames decoded, [1-9][0-9]* decode errors" view.log
    "$check" frames frames "$h264" 100
    echo "=== FFmpeg's own lines: none by default, all with --verbose"
    ! grep -v "^h26x_view: " errors.log || { echo "lines that are not the tool's own"; exit 1; }
    "$tools/h26x_view" --input damaged.h264 --verbose >/dev/null 2>verbose.log || true
    grep -q "^ffmpeg: " verbose.log
    ;;
  encode)
    echo "=== a test pattern encoded with its originals, recorded into Matroska, decoded"
    "$pair" "$tools/h26x_recorder" --multi --output encoded.mkv "${common[@]}" -- \
      "$tools/h26x_publisher" --encode h264 --source pattern:320x240 --frames 50 --with-originals "${common[@]}"
    "$check" originals encoded.mkv.original.0 encoded.0.mkv 320 240 50 30
    "$tools/h26x_view" --input encoded.0.mkv | grep "^h26x_view: 50 frames decoded, 0 decode errors"
    echo "=== a viewer joining 3 s into a stream with a key frame every 10 s sees a picture at once"
    late_viewer() {  # PUBLISHER_OPTIONS...: the late viewer's output in late.log
      "$tools/h26x_recorder" --output first.h264 --overwrite "${common[@]}" 2>/dev/null &
      local first=$!
      "$tools/h26x_publisher" --encode h264 --source pattern:320x240 --frames 150 --gop 250 "$@" "${common[@]}" \
        2>publisher.log &
      local publisher=$!
      sleep 3
      "$tools/h26x_view" --live "${common[@]}" >late.log 2>&1 || true
      wait "$publisher" "$first"
      cat late.log
    }
    late_viewer
    grep -q "key frames made for readers that joined" publisher.log || { cat publisher.log; exit 1; }
    awk '/first picture/ {found = 1; if ($4 > 500) exit 1} END {exit !found}' late.log ||
      { echo "no picture within half a second of joining"; exit 1; }
    echo "=== without --key-on-join it waits for the encoder's own next key frame (seconds, or never)"
    late_viewer --no-key-on-join
    ! grep -q "key frames made" publisher.log
    awk '/first picture/ {if ($4 < 1000) exit 1}' late.log
    ;;
  y4m)
    # Each y4m is the test pattern written by libswscale in its layout; the
    # recording must match the file as libavformat reads it.
    for layout in 420jpeg:320x240:p 420p10:320x240:p 422:320x240:p 444:320x240:p 420jpeg:641x361:p 420jpeg:320x240:t; do
      IFS=: read -r colour size interlacing <<<"$layout"
      name="${colour}_${size}_${interlacing}"
      "$check" y4m "$name.y4m" "${size%x*}" "${size#*x}" "$colour" 10 "$interlacing"
      echo "=== $name.y4m encoded, recorded into MP4"
      "$pair" "$tools/h26x_recorder" --output "$name.mp4" "${common[@]}" -- \
        "$tools/h26x_publisher" --encode h264 --source "$name.y4m" --fps 0 "${common[@]}" 2>"$name.log"
      grep -v "frames \(sent\|received\)" "$name.log"
      "$check" compare "$name.mp4" "$name.y4m" 10 30
      case "$name" in
        420jpeg_320x240_p) ! grep -q "converted\|padded\|interlaced" "$name.log" ;;
        420jpeg_641x361_p) grep -q "641x361 is odd; padded to 642x362" "$name.log" ;;
        420jpeg_320x240_t) grep -q "is interlaced (top field first)" "$name.log" ;;
        *) grep -q "C$colour pictures are converted to 8-bit 4:2:0" "$name.log" ;;
      esac
    done
    echo "=== a y4m without a whole frame: one line, status 1, before any reader is awaited"
    printf 'YUV4MPEG2 W64 H48 F25:1 C420jpeg\nFRAME\nshort' >cut.y4m
    status=0
    "$tools/h26x_publisher" --encode h264 --source cut.y4m --wait 30 "${common[@]}" 2>cut.log || status=$?
    cat cut.log
    [ "$status" = 1 ] && grep -q "cut.y4m holds no whole frame" cut.log
    echo "=== frames encoded from a y4m keep the file's timeline, however fast they are sent"
    "$check" y4m timeline.y4m 160 120 420jpeg 100
    "$pair" "$tools/h26x_recorder" --output timeline.mp4 "${common[@]}" -- \
      "$tools/h26x_publisher" --encode h264 --source timeline.y4m --fps 0 "${common[@]}" 2>/dev/null
    "$check" probe timeline.mp4 | tee probe.log
    grep -q "^frames 100 duration 4.000 start 0.000" probe.log
    ;;
  split)
    echo "=== long recordings in pieces: each decodable on its own from a key frame, none lost or repeated"
    frames_of() { ffmpeg -nostdin -v error -i "$1" -fps_mode passthrough -f framemd5 - | grep -v '^#' | awk -F', *' '{print $NF}'; }
    "$tools/h26x_recorder" --output whole.h264 "${common[@]}" 2>whole.log &
    whole=$!
    "$tools/h26x_recorder" --output pieces.h264 --split-duration 2 "${common[@]}" 2>pieces.log &
    pieces=$!
    "$tools/h26x_recorder" --output pieces.mp4 --split-size 30000 "${common[@]}" 2>pieces_mp4.log &
    mp4=$!
    "$tools/h26x_publisher" --encode h264 --source pattern:320x240 --gop 25 --frames 250 "${common[@]}" 2>/dev/null
    wait "$whole" "$pieces" "$mp4"
    grep "^recorded" pieces.log pieces_mp4.log
    [ "$(ls pieces_*.h264 | wc -l)" -ge 4 ] && [ "$(ls pieces_*.mp4 | wc -l)" -ge 3 ]
    cat pieces_*.h264 | cmp - whole.h264
    frames_of whole.h264 >whole.md5
    for piece in pieces_*.mp4; do
      "$tools/h26x_view" --input "$piece" >view.log 2>&1
      grep -q " 0 decode errors, 0 units skipped" view.log || { cat view.log; exit 1; }
      frames_of "$piece"
    done | cmp - whole.md5
    echo "=== a camera that sends its parameter sets once: every piece still starts with them"
    python3 - whole.h264 once.h264 <<'EOF'
import re, sys
data = open(sys.argv[1], 'rb').read()
starts = [m.start() for m in re.finditer(b'\x00\x00\x01', data)] + [len(data)]
seen, out = set(), bytearray(data[:starts[0]])
for begin, end in zip(starts, starts[1:]):
    kind = data[begin + 3] & 0x1f
    if kind not in (7, 8) or kind not in seen:  # SPS and PPS: the first of each only
        out += data[begin:end]
    seen.add(kind)
open(sys.argv[2], 'wb').write(out)
EOF
    "$tools/h26x_recorder" --output once.mp4 --split-size 30000 "${common[@]}" 2>once.log &
    once=$!
    "$tools/h26x_publisher" --input once.h264 "${common[@]}" 2>/dev/null
    wait "$once"
    [ "$(ls once_*.mp4 | wc -l)" -ge 3 ]
    for piece in once_*.mp4; do
      "$tools/h26x_view" --input "$piece" >view.log 2>&1
      grep -q " 0 decode errors, 0 units skipped" view.log || { cat view.log; exit 1; }
      frames_of "$piece"
    done | cmp - whole.md5
    ;;
  network)
    # A network camera: GStreamer's RTSP server (test/camera/rtsp_server.py,
    # Debian's python3 with its GObject bindings) serving the samples (timed
    # in MP4) on 127.0.0.1, and the ffmpeg program sending MPEG-TS over UDP.
    port=$((30000 + 4 * domain))
    frames_of() { ffmpeg -nostdin -v error -i "$1" -fps_mode passthrough -f framemd5 - | grep -v '^#' | awk -F', *' '{print $NF}'; }
    "$tools/h26x_view" --input "$h264" --output camera.h264.mp4
    "$tools/h26x_view" --input "$samples/sample.h265" --output camera.h265.mp4
    start_camera() {
      /usr/bin/python3 "$here/../camera/rtsp_server.py" "$port" camera.h264.mp4 camera.h265.mp4 >server.log 2>&1 &
      camera=$!
      for _ in $(seq 100); do grep -q ready server.log && return; sleep 0.1; done
      cat server.log; exit 1
    }
    start_camera
    trap 'kill "$camera" 2>/dev/null || true' EXIT
    frames_of "$h264" >h264.md5
    frames_of "$samples/sample.h265" >h265.md5
    for transport in udp tcp; do
      for codec in h264 h265; do
        echo "=== RTSP over $transport, $codec: the units passed through, the sample's frames"
        count=$(wc -l <"$codec.md5")
        "$pair" "$tools/h26x_recorder" --output "rtsp_${transport}_$codec.mp4" "${common[@]}" -- \
          "$tools/h26x_publisher" --input "rtsp://127.0.0.1:$port/$codec" --rtsp-transport "$transport" \
          --frames "$count" "${common[@]}" 2>"publisher_${transport}_$codec.log"
        grep -v "frames sent" "publisher_${transport}_$codec.log"
        frames_of "rtsp_${transport}_$codec.mp4" | cmp - "$codec.md5"
        grep -q "^h26x_publisher: $count units passed through" "publisher_${transport}_$codec.log"
      done
    done
    echo "=== the camera killed and started again mid-stream: reconnected, the gap counted, whole frames after it"
    "$tools/h26x_recorder" --output again.mp4 "${common[@]}" 2>recorder.log &
    recorder=$!
    "$tools/h26x_publisher" --input "rtsp://127.0.0.1:$port/h264" --rtsp-transport tcp --frames 200 \
      "${common[@]}" 2>publisher.log &
    publisher=$!
    for _ in $(seq 200); do grep -q "50 frames sent" publisher.log && break; sleep 0.05; done
    kill "$camera"; wait "$camera" || true
    sleep 2
    start_camera
    wait "$publisher" && wait "$recorder" || { cat publisher.log recorder.log; exit 1; }
    grep -v "frames sent" publisher.log
    grep -q "the source dropped 1 times" publisher.log
    "$tools/h26x_view" --input again.mp4 | tee view.log
    grep -q "^h26x_view: 200 frames decoded, 0 decode errors" view.log
    # Frames of the sample in its order (a cut may leave out pictures shown
    # before the last one decoded), then the sample from its start (the
    # recording's end is such a cut too: its last two may skip a picture).
    frames_of again.mp4 >again.md5
    /usr/bin/python3 -c '
got, want = open("again.md5").read().split(), open("h264.md5").read().split()
cut = next(k for k in range(1, len(got)) if got[k] == want[0])
places = [want.index(frame) for frame in got[:cut]]
assert places == sorted(set(places)), "before the gap: not frames of the sample in order"
after = [want.index(frame) if frame in want else -1 for frame in got[cut:]]
assert after[:-2] == list(range(len(after) - 2)) and after == sorted(set(after)) and after[0] == 0, \
  "after the gap: not the sample from its start"
print(f"again.mp4: {cut} frames of the sample in order, then its first {len(got) - cut}")'
    echo "=== MPEG-TS over UDP from the ffmpeg program"
    udp="udp://127.0.0.1:$((port + 2))"
    "$tools/h26x_recorder" --output ts.mp4 "${common[@]}" 2>recorder.log &
    recorder=$!
    "$tools/h26x_publisher" --input "$udp" --frames 150 "${common[@]}" 2>publisher.log &
    publisher=$!
    sleep 1
    ffmpeg -nostdin -v error -re -i camera.h264.mp4 -c copy -f mpegts "$udp?pkt_size=1316"
    wait "$publisher" && wait "$recorder" || { cat publisher.log recorder.log; exit 1; }
    grep -v "frames sent" publisher.log
    frames_of ts.mp4 | cmp - h264.md5
    ;;
  timing)
    echo "=== H.265 at 30 frames/s, its rate in the SPS (as x265 writes it), sent again and recorded into MP4"
    "$pair" "$tools/h26x_recorder" --output thirty.h265 "${common[@]}" -- \
      "$tools/h26x_publisher" --encode h265 --source pattern:320x240 --frames 90 --fps 30 "${common[@]}" 2>/dev/null
    "$pair" "$tools/h26x_recorder" --output thirty.mp4 "${common[@]}" -- \
      "$tools/h26x_publisher" --input thirty.h265 "${common[@]}" 2>publisher.log
    grep "^h26x_publisher: input" publisher.log | tee input.log
    grep -q "h265, 90 access units, [0-9]* bytes, 320x240, 30 frames/s" input.log
    "$check" probe thirty.mp4 | tee probe.log
    grep -qE "^frames 90 duration 3\.0[0-9]{2} start 0.000 tag hvc1 size 320x240" probe.log
    echo "=== the H.264 sample with B-frames: its first picture shown at 0"
    "$pair" "$tools/h26x_recorder" --output sample.mp4 "${common[@]}" -- \
      "$tools/h26x_publisher" --input "$h264" --fps 100 "${common[@]}" 2>/dev/null
    "$check" probe sample.mp4 | tee probe.log
    grep -q "^frames 150 duration [0-9.]* start 0.000 tag avc1" probe.log
    ;;
  full-disk)
    # A 1 MiB file system of the test's own (a mount namespace), filled by a
    # recording; what is left must be whole frames and what the summary says.
    recorder_options=()
    run_on_small_disk() {  # OUTPUT PUBLISHER_ARGS...   (the recorder's own: recorder_options)
      local output="$1"; shift
      # Root needs a mount namespace only (a chroot, as CI's, refuses new user namespaces).
      local namespace=(unshare --mount)
      [ "$(id -u)" = 0 ] || namespace+=(--map-root-user)
      "${namespace[@]}" sh -c '
        mkdir -p small && mount -t tmpfs -o size=1m tmpfs small || exit 77
        output="$1"; shift
        status=0; "$0" --output "small/$output" --timeout 10 "$@" || status=$?
        cp -r small/. . 2>/dev/null; exit "$status"' \
        "$tools/h26x_recorder" "$output" "${common[@]}" "${recorder_options[@]}" 2>recorder.log &
      local recorder=$!
      sleep 0.5
      "$tools/h26x_publisher" "$@" "${common[@]}" 2>/dev/null
      local status=0
      wait "$recorder" || status=$?
      grep -v "frames received" recorder.log >&2
      [ "$status" != 77 ] || { echo "cannot make a small file system here"; exit 1; }
      [ "$status" = 1 ] || { echo "the recorder exited $status on a full disk"; exit 1; }
      grep -q "cannot write small/.*: No space left on device" recorder.log
      sed -n "s|^h26x_recorder: small/$output holds \([0-9]*\) frames, \([0-9]*\) bytes.*|\1 \2|p" recorder.log
    }
    echo "=== raw frames as they come, onto a full disk"
    read -r frames bytes <<<"$(run_on_small_disk raw.bin --raw 320x240 --frames 20)"
    [ "$bytes" = "$(stat -c %s raw.bin)" ] && [ "$bytes" = $((frames * 230400)) ] && [ "$frames" -gt 0 ] ||
      { echo "raw.bin: $(stat -c %s raw.bin) bytes, the summary says $frames frames, $bytes bytes"; exit 1; }
    for ext in mp4 mkv; do
      echo "=== H.264 into .$ext, onto a full disk"
      read -r frames bytes <<<"$(run_on_small_disk "full.$ext" --encode h264 --source pattern:1280x720 --frames 100 \
        --bitrate 40000000 --gop 10 --fps 0)"
      [ "$bytes" = "$(stat -c %s "full.$ext")" ] || { echo "full.$ext: not the size the summary says"; exit 1; }
      "$tools/h26x_view" --input "full.$ext" | tee view.log
      grep -q "^h26x_view: $frames frames decoded, 0 decode errors" view.log
    done
    echo "=== a bag onto a full disk: its file ends on its last whole chunk, as @mcap/core reads it"
    recorder_options=(--chunk-size 65536)
    run_on_small_disk full.mcap --encode h264 --source pattern:1280x720 --frames 100 --bitrate 40000000 --gop 10 \
      --fps 0 >/dev/null
    whole=$(node "$(dirname "$0")/../js/check_bag.mjs" count full/full_0.mcap)
    "$tools/h26x_view" --input full --list >list.log 2>&1
    cat list.log
    grep -q "^full: $whole messages$" list.log && [ "$whole" -gt 0 ] && ! grep -q "inside a record" list.log ||
      { echo "full/full_0.mcap: $whole messages in whole chunks, or a record cut"; exit 1; }
    ;;
  *)
    echo "unknown scenario $scenario"; exit 2 ;;
esac
echo "$scenario: passed"
