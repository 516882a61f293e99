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
#   bag  the MCAP writer beside dd on the same disk (same bytes, 4 MiB blocks,
#        synced), the recorder's CPU for a 1080p30 H.264 stream into a bag,
#        and a bag turned into MP4 beside `ffmpeg -c copy` on the same units
#   camera  a 1080p30 RTSP camera passed through (GStreamer's RTSP server)
#        and a 1080p30 sensor_msgs/Image topic encoded: delay from arrival to
#        the DDS write, and the publisher's CPU
#   web  the browser viewer in headless Chromium: a 1080p30 test pattern's
#        capture stamp to the picture shown (glass to glass), and h26x_web's
#        CPU for one 1080p30 stream and page, and for 16 streams at once
#   network  across two network namespaces joined by a veth (root): the
#        H.264 sample and raw 1920x1080 frames at 0, 1, 5 and 20 % of the
#        datagrams lost: frames, latency, bytes on the wire per payload byte
#   soak  an hour of a 1080p30 H.264 stream (faster than real time) into MP4
#        and bag pieces: the programs' memory over the hour, the files written
# Usage: bench.sh [cdr|e2e|python|media|bag|camera|web|network|soak|all] [benchmark arguments]   (default: all)
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
  orvane_h26x_msgs_s__rosidl_typesupport_c rclpy_like bench_media h26x_view bench_bag h26x_web >/dev/null

if [ "$part" = cdr ] || [ "$part" = all ]; then
  "$build_dir/benchmark/bench_cdr" --benchmark_repetitions=7 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 "$@"
fi
export LD_LIBRARY_PATH="$build_dir:$LD_LIBRARY_PATH"

# A 20 s 1080p30 H.264 camera stream (FFmpeg's test source, libx264 veryfast):
# FILE BITS_PER_SECOND GOP [more libx264 options]; FILE's extension picks the container.
camera_clip() {
  local file="$1" bitrate="$2" gop="$3"
  shift 3
  ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=1920x1080:rate=30 -t 20 -c:v libx264 -preset veryfast \
    -b:v "$bitrate" -g "$gop" "$@" -pix_fmt yuv420p "$file"
}
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
if [ "$part" = bag ] || [ "$part" = all ]; then
  (export ROS_LOCALHOST_ONLY=1
   work="$build_dir/bag" tools="$build_dir/tools"
   rm -rf "$work" && mkdir -p "$work"
   # Seconds dd takes to write BYTES in 4 MiB blocks and sync them.
   dd_seconds() {
     dd if=/dev/zero of="$work/dd" bs=4M count=$(( ($1 + 4194303) / 4194304 )) conv=fsync 2>&1 |
       sed -n 's/.* copied, \([0-9.]*\) s,.*/\1/p'
     rm -f "$work/dd"
   }
   echo
   echo "The MCAP writer beside dd, the same disk and bytes (4 MiB blocks, synced), runs taking turns, best of 5 each:"
   echo
   echo "| messages | compression | file MB | MCAP MB/s | dd MB/s | MCAP / dd |"
   echo "|---|---|---|---|---|---|"
   for name in 1080p sample; do
     for compression in none lz4 zstd; do
       for _ in 1 2 3 4 5; do
         read -r input file seconds count < <("$build_dir/benchmark/bench_bag" "$work" "$ROOT/tools/sample/sample.h264" \
           "$name" "$compression")
         echo "$input $file $seconds $count $(dd_seconds "$input")"
       done | sort -k3 -n | awk 'NR == 1 {i = $1; f = $2; s = $3; c = $4} {d = (NR == 1 || $5 < d) ? $5 : d}
         END {print i, f, s, c, d}' >"$work/best.txt"
       read -r input file seconds count dd <"$work/best.txt"
       label="raw rgb8 1920x1080, $count Image messages"
       [ "$name" = sample ] && label="the H.264 sample's units again and again, $count Compressed messages"
       awk -v l="$label" -v c="$compression" -v i="$input" -v f="$file" -v s="$seconds" -v d="$dd" \
         'BEGIN {printf "| %s | %s | %.0f | %.0f | %.0f | %.2f |\n", l, c, f / 1e6, i / s / 1e6, i / d / 1e6, d / s}'
     done
   done

   # A 1080p H.264 stream of 300 frames at 8 Mbit/s, encoded once and kept as Annex-B.
   "$ROOT/scripts/run_pair.sh" "$tools/h26x_recorder" --output "$work/p1080.h264" --domain 96 --transport shm -- \
     "$tools/h26x_publisher" --encode h264 --source pattern:1920x1080 --frames 300 --fps 0 --bitrate 8000000 \
     --domain 96 --transport shm >/dev/null 2>&1
   # The recorder's CPU time (user + system, all its threads, from /proc)
   # while it records the stream at 30 frames/s into a bag: from its 25th
   # frame to its 275th, its start and end left out. Three runs.
   cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
   wait_for_frames() { for _ in $(seq 1000); do grep -q "^h26x_recorder: $1 frames received" "$work/recorder.log" && return; sleep 0.02; done; }
   echo
   echo "The recorder's CPU, recording a 1080p30 H.264 stream (8 Mbit/s) into a bag (zstd), 250 frames:"
   echo
   for run in 1 2 3; do
     rm -rf "$work/p1080"
     "$tools/h26x_recorder" --output "$work/p1080.mcap" --domain 97 --transport shm 2>"$work/recorder.log" &
     recorder=$!
     sleep 0.3
     "$tools/h26x_publisher" --input "$work/p1080.h264" --fps 30 --domain 97 --transport shm 2>/dev/null &
     publisher=$!
     wait_for_frames 25
     ticks=$(cpu_ticks "$recorder") start=$(date +%s.%N)
     wait_for_frames 275
     ticks=$(( $(cpu_ticks "$recorder") - ticks )) end=$(date +%s.%N)
     wait "$publisher" "$recorder"
     awk -v t="$ticks" -v hz="$(getconf CLK_TCK)" -v a="$start" -v b="$end" \
       'BEGIN {printf "- run %d: %.2f s of CPU over %.2f s, %.1f %% of a core\n", '"$run"', t / hz, b - a, 100 * t / hz / (b - a)}'
   done

   # Bag to MP4, best of 3 each: the whole process, and the conversion alone
   # (h26x_view's own count from opening the bag to closing the MP4; ffmpeg's
   # -benchmark rtime, from its first packet to its last).
   best_of_3() { sort -n | head -1; }
   process_seconds() {
     local start end
     start=$(date +%s.%N)
     "$@" >/dev/null 2>&1
     end=$(date +%s.%N)
     awk -v a="$start" -v b="$end" 'BEGIN {print b - a}'
   }
   "$ROOT/scripts/run_pair.sh" "$tools/h26x_recorder" --output "$work/sample.mcap" --domain 98 --transport shm -- \
     "$tools/h26x_publisher" --input "$ROOT/tools/sample/sample.h264" --domain 98 --transport shm >/dev/null 2>&1
   echo
   echo "A bag's topic into MP4 without re-encoding, beside ffmpeg -c copy on the same units as Annex-B (best of 3;"
   echo "times real time in brackets; the conversion alone leaves out the process's start, mostly loading FFmpeg's"
   echo "libraries):"
   echo
   echo "| stream | video s | h26x_view process | ffmpeg process | h26x_view conversion | ffmpeg conversion |"
   echo "|---|---|---|---|---|---|"
   convert_row() {  # NAME LABEL FRAME_RATE UNITS
     local ours theirs ours_work theirs_work media
     ours=$(for _ in 1 2 3; do process_seconds "$tools/h26x_view" --input "$work/$1" --output "$work/$1.mp4" --overwrite; done | best_of_3)
     theirs=$(for _ in 1 2 3; do process_seconds ffmpeg -nostdin -y -v error -framerate "$3" -i "$4" -c copy "$work/$1.ffmpeg.mp4"; done | best_of_3)
     ours_work=$(for _ in 1 2 3; do "$tools/h26x_view" --input "$work/$1" --output "$work/$1.mp4" --overwrite 2>&1 |
       sed -n 's/.* stamps over [0-9.]* s read in \([0-9.]*\) s .*/\1/p'; done | best_of_3)
     media=$("$tools/h26x_view" --input "$work/$1" --output "$work/$1.mp4" --overwrite 2>&1 |
       sed -n 's/.* stamps over \([0-9.]*\) s read in .*/\1/p')
     theirs_work=$(for _ in 1 2 3; do ffmpeg -nostdin -y -benchmark -v info -framerate "$3" -i "$4" -c copy "$work/$1.ffmpeg.mp4" 2>&1 |
       sed -n 's/^bench: .* rtime=\([0-9.]*\)s.*/\1/p'; done | best_of_3)
     awk -v l="$2" -v m="$media" -v a="$ours" -v b="$theirs" -v c="$ours_work" -v d="$theirs_work" \
       'BEGIN {printf "| %s | %.2f | %.3f s (%.0f) | %.3f s (%.0f) | %.3f s (%.0f) | %.3f s (%.0f) |\n",
               l, m, a, m / a, b, m / b, c, m / c, d, m / d}'
   }
   convert_row p1080 "1080p30 H.264, 300 frames" 30 "$work/p1080.h264"
   convert_row sample "the H.264 sample, 150 frames" 25 "$ROOT/tools/sample/sample.h264"
   rm -rf "$work")
fi
if [ "$part" = web ] || [ "$part" = all ]; then
  ensure_test_readers
  (export ROS_LOCALHOST_ONLY=1
   tools="$build_dir/tools" work="$build_dir/web" port=8679
   base="http://127.0.0.1:$port/" common=(--domain 99 --transport shm)
   rm -rf "$work" && mkdir -p "$work" && cd "$work"
   start_web() {
     "$tools/h26x_web" --bind "127.0.0.1:$port" --page "$ROOT/web" "${common[@]}" 2>web.log &
     web=$!
     for _ in $(seq 100); do grep -q serving web.log && return; sleep 0.1; done
   }
   start_page() {  # OUT.json STREAMS
     node "$ROOT/test/js/check_web.mjs" watch "$base" "$1" "$2" >page.log 2>&1 &
     page=$!
     for _ in $(seq 300); do grep -q "^ready" page.log && return; sleep 0.1; done
   }
   stop_web() { wait "$page"; kill -INT "$web"; wait "$web" || true; }
   cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
   # h26x_web's CPU (user + system, all threads) from 5 s to 15 s into a run, as a share of one core.
   cpu_share() {
     sleep 5
     local ticks start end
     ticks=$(cpu_ticks "$1") start=$(date +%s.%N)
     sleep 10
     ticks=$(( $(cpu_ticks "$1") - ticks )) end=$(date +%s.%N)
     awk -v t="$ticks" -v hz="$(getconf CLK_TCK)" -v a="$start" -v b="$end" 'BEGIN {printf "%.1f", 100 * t / hz / (b - a)}'
   }
   summary() {  # OUT.json: frames shown, skipped, latency past the frames a page joins with
     /usr/bin/python3 -c '
import json, sys
tiles = json.load(open(sys.argv[1]))["tiles"]
live = sorted(l for t in tiles for l in t["latencies"][t["caughtUp"]:])
shown = sum(t["shown"] for t in tiles); frames = sum(t["info"]["frames"] for t in tiles)
skipped = sum(t["skippedByServer"] + t["droppedHere"] for t in tiles)
p = lambda q: live[min(len(live) - 1, int(q * len(live)))]
print(f"{shown} of {frames} frames shown, {skipped} skipped; stamp to shown ms p50 {p(0.5):.1f} p99 {p(0.99):.1f}")' "$1"
   }
   # A 1080p30 H.264 stream like a camera's (8 Mbit/s, no B-frames), 20 s, for the CPU runs.
   camera_clip camera.h264 8M 60 -tune zerolatency
   echo
   echo "The browser viewer, headless Chromium on this machine:"
   echo
   # Glass to glass: the page alone.
   start_web
   start_page alone.json 1
   "$tools/h26x_publisher" --encode h264 --source pattern:1920x1080 --fps 30 --frames 450 --topic /pattern \
     "${common[@]}" 2>/dev/null
   stop_web
   echo "- glass to glass, a 1920x1080 pattern taken at 30 frames/s, encoded (libx264), sent and shown: $(summary alone.json)"
   # Again, and beside it in the same run the usual server's way:
   # the stream recorded as it comes (Annex-B into a FIFO), remuxed by the
   # ffmpeg program into fragmented MP4 (a fragment a key frame) and played by
   # a <video> element from the growing file.
   start_web
   start_page glass.json 1
   mkfifo live.h264
   ffmpeg -nostdin -v error -fflags nobuffer -f h264 -framerate 30 -i live.h264 -c copy -f mp4 \
     -movflags frag_keyframe+empty_moov+default_base_moof pipe:1 |
     node "$ROOT/test/js/check_web.mjs" video 8680 video.json >video.log 2>&1 &
   video=$!
   for _ in $(seq 300); do grep -q "^ready" video.log && break; sleep 0.1; done
   "$tools/h26x_recorder" --output live.h264 --topic /pattern "${common[@]}" 2>/dev/null &
   recorder=$!
   "$tools/h26x_publisher" --encode h264 --source pattern:1920x1080 --fps 30 --frames 450 --topic /pattern \
     "${common[@]}" 2>/dev/null
   wait "$recorder" "$video"
   stop_web
   echo "- the same, beside the <video> element below (both on this machine's two cores): $(summary glass.json)"
   /usr/bin/python3 -c '
import json
tile = json.load(open("glass.json"))["tiles"][0]
stamps = dict(zip(tile["counts"], tile["stamps"]))
ours = sorted(tile["latencies"][tile["caughtUp"]:])
theirs = sorted(shown - stamps[round(media * 30)] for media, shown in json.load(open("video.json"))
                if round(media * 30) in stamps)
p = lambda values, q: values[min(len(values) - 1, int(q * len(values)))]
print(f"- the same stream to a <video> element as fragmented MP4: {len(theirs)} frames, stamp to shown ms "
      f"p50 {p(theirs, 0.5):.1f} p99 {p(theirs, 0.99):.1f}: {p(theirs, 0.5) / p(ours, 0.5):.1f} times the p50 above")'
   start_web
   start_page one.json 1
   "$tools/h26x_publisher" --input camera.h264 --fps 30 --topic /camera "${common[@]}" 2>/dev/null &
   share=$(cpu_share "$web")
   wait $!
   stop_web
   echo "- one 1080p30 stream (8 Mbit/s) to one page: h26x_web at $share % of a core; $(summary one.json)"
   start_web
   start_page sixteen.json 16
   publishers=()
   for k in $(seq 0 15); do
     "$tools/h26x_publisher" --input camera.h264 --fps 30 --topic "/camera$k" "${common[@]}" 2>/dev/null &
     publishers+=($!)
   done
   share=$(cpu_share "$web")
   wait "${publishers[@]}"
   stop_web
   echo "- 16 such streams to one page: h26x_web at $share % of a core; $(summary sixteen.json)")
fi
if [ "$part" = network ] || [ "$part" = all ]; then
  (. "$ROOT/test/network/faulty_link.sh"
   tools="$build_dir/tools" work="$build_dir/network"
   rm -rf "$work" && mkdir -p "$work" && cd "$work"
   trap 'link_remove' EXIT
   link_up 201
   common=(--domain 201 --transport udp)
   echo
   echo "Across a veth between two network namespaces, reliable (the default QoS), paced at 25 frames/s; bytes"
   echo "on the wire are the UDP bytes that left the publisher's side (repairs, acknowledgements and discovery"
   echo "included) per byte of the frames:"
   echo
   echo "| stream | datagrams lost | frames received | latency p50 / p99 ms | wire bytes per payload byte |"
   echo "|---|---|---|---|---|"
   for stream in h264 raw raw-fps0; do
     for loss in 0 1 5 20; do
       link_loss "$loss"
       before=$(link_bytes)
       "${in_b[@]}" "$tools/h26x_recorder" --output /dev/null --timeout 20 "${common[@]}" 2>recorder.log &
       recorder=$!
       if [ "$stream" = h264 ]; then
         label="H.264 sample (150 frames)" payload=212959
         "${in_a[@]}" "$tools/h26x_publisher" --input "$ROOT/tools/sample/sample.h264" "${common[@]}" 2>/dev/null
       elif [ "$stream" = raw ]; then
         label="raw 1920x1080 rgb8 (50 frames)" payload=$((50 * 1920 * 1080 * 3))
         "${in_a[@]}" "$tools/h26x_publisher" --raw 1920x1080 --frames 50 "${common[@]}" 2>/dev/null
       else
         label="raw 1920x1080 rgb8 (50 frames), \`--fps 0\`" payload=$((50 * 1920 * 1080 * 3))
         "${in_a[@]}" "$tools/h26x_publisher" --raw 1920x1080 --frames 50 --fps 0 "${common[@]}" 2>publisher.log
         label="$label $(sed -n 's/.* s: \([0-9.]*\) frames\/s.*/\1/p' publisher.log) frames/s"
       fi
       wait "$recorder" || true
       sed -n 's/^h26x_recorder: \([0-9]*\) frames received.*latency ms p50 \([0-9.]*\) .* p99 \([0-9.]*\) .*/\1 \2 \3/p' \
         recorder.log | head -1 | awk -v l="$label" -v loss="$loss" -v w=$(( $(link_bytes) - before )) -v p="$payload" \
         '{printf "| %s | %s %% | %s | %.1f / %.1f | %.2f |\n", l, loss, $1, $2, $3, w / p}'
     done
   done
   link_remove
   echo
   echo "The link down for 60 s under a 320x240 stream (the tests take 3 s and 15 s):"
   OUTAGES=60 "$ROOT/test/network/network_tools.sh" outage "$tools" "$build_dir/test" "$ROOT/tools/sample" \
     "$work/outage" 202 | grep -v "^===")
fi
if [ "$part" = camera ] || [ "$part" = all ]; then
  (set -e
   export ROS_LOCALHOST_ONLY=1
   tools="$build_dir/tools" work="$build_dir/camera"
   rm -rf "$work" && mkdir -p "$work" && cd "$work"
   # A 1080p30 H.264 camera stream (8 Mbit/s, two B-frames), 20 s, timed in MP4.
   camera_clip source.mp4 8M 60 -bf 2
   "$tools/h26x_view" --input source.mp4 --output camera.mp4 >/dev/null 2>&1
   # CPU (user + system, all threads, from /proc) from 6 s to 16 s after its start.
   steady_cpu() { local a b; sleep 6; a=$(awk '{print $14 + $15}' "/proc/$1/stat"); sleep 10
     b=$(awk '{print $14 + $15}' "/proc/$1/stat"); echo "$(( (b - a) * 100 / (10 * $(getconf CLK_TCK)) )) %"; }
   delays() { sed -n "s/.*delay from the $1.*p50 \([0-9.-]*\) p99 \([0-9.-]*\).*/\1 ms \/ \2 ms/p" "$2"; }
   /usr/bin/python3 "$ROOT/test/camera/rtsp_server.py" 8654 camera.mp4 camera.mp4 >server.log 2>&1 &
   server=$!
   trap 'kill $server 2>/dev/null || true' EXIT
   sleep 2
   echo
   echo "A 1080p30 RTSP camera passed through (600 units), and a 1080p30 sensor_msgs/Image topic encoded:"
   echo
   echo "| path | arrival to DDS write p50 / p99 | CPU of a core (steady) |"
   echo "|---|---|---|"
   for transport in udp tcp; do
     "$tools/h26x_recorder" --output pass.h264 --overwrite --domain 97 --transport shm 2>/dev/null &
     recorder=$!
     "$tools/h26x_publisher" --input rtsp://127.0.0.1:8654/h264 --rtsp-transport "$transport" --frames 600 \
       --domain 97 --transport shm 2>publisher.log &
     cpu=$(steady_cpu $!)
     wait "$recorder"
     echo "| RTSP over $transport, passed through | $(delays "frame's arrival" publisher.log) | $cpu |"
   done
   # The camera: the viewer decoding the stream above and republishing it as
   # rgb8 sensor_msgs/Image; the encoder node (libx264 veryfast, zerolatency).
   "$tools/h26x_recorder" --output encoded.h264 --overwrite --topic /cam/h26x --domain 98 --transport shm 2>/dev/null &
   recorder=$!
   "$tools/h26x_publisher" --encode h264 --source topic:/cam/image --frames 450 --topic /cam/h26x --domain 98 \
     --transport shm 2>encoder.log &
   encoder=$!
   "$tools/h26x_view" --live --republish /cam/image --timeout 5 --domain 98 --transport shm >/dev/null 2>&1 &
   viewer=$!
   "$tools/h26x_publisher" --input camera.mp4 --domain 98 --transport shm >/dev/null 2>&1 &
   camera=$!
   cpu=$(steady_cpu $encoder)
   wait "$encoder" "$recorder" "$viewer" "$camera"
   echo "| sensor_msgs/Image rgb8 1920x1080 encoded to H.264 | $(delays "frame's arrival" encoder.log) | $cpu |")
fi
if [ "$part" = soak ] || [ "$part" = all ]; then
  (set -e
   export ROS_LOCALHOST_ONLY=1
   tools="$build_dir/tools" work="$build_dir/soak"
   rm -rf "$work" && mkdir -p "$work" && cd "$work"
   # An hour of a 1080p30 H.264 camera (4 Mbit/s, a key frame a second): a
   # 20 s clip looped, 108,000 frames sent 10 times as fast as real time.
   camera_clip clip.h264 4M 30
   frames=108000 speed=10
   common=(--domain 99 --transport shm)
   # Ten minutes of stream a piece (stamps are real time: 60 s at 10 times).
   "$tools/h26x_recorder" --output hour.mp4 --split-duration $((600 / speed)) "${common[@]}" 2>mp4.log &
   mp4=$!
   "$tools/h26x_recorder" --output hour_bag.mcap --split-duration $((600 / speed)) "${common[@]}" 2>bag.log &
   bag=$!
   "$tools/h26x_publisher" --input clip.h264 --loop --frames "$frames" --fps $((30 * speed)) "${common[@]}" \
     2>publisher.log &
   publisher=$!
   peak() { awk '/VmHWM/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
   # Every second from the first frame: the seconds, then each one's peak resident memory (kB) so far.
   start=""
   while kill -0 "$publisher" 2>/dev/null; do
     if [ -z "$start" ] && [ -s hour_000.mp4 ]; then start=$(date +%s); fi
     [ -z "$start" ] || echo "$(( $(date +%s) - start )) $(peak "$publisher") $(peak "$mp4") $(peak "$bag")" >>memory.log
     sleep 1
   done
   wait "$mp4" "$bag" "$publisher"
   echo
   echo "An hour of 1080p30 H.264 (4 Mbit/s) from the publisher (a clip looped) into two recorders (MP4"
   echo "and bag, a piece every 10 minutes of stream), $speed times as fast as real time over shared memory;"
   echo "peak resident MiB so far:"
   echo
   echo "| minute of stream | publisher | MP4 recorder | bag recorder |"
   echo "|---|---|---|---|"
   awk -v speed="$speed" '{ minute = int($1 * speed / 60)
       if ((minute == 1 || minute % 10 == 0) && minute > 0 && !(minute in seen)) { seen[minute] = 1
         printf "| %d | %.0f | %.0f | %.0f |\n", minute, $2 / 1024, $3 / 1024, $4 / 1024 } }
       END { printf "| end | %.0f | %.0f | %.0f |\n", $2 / 1024, $3 / 1024, $4 / 1024 }' memory.log
   echo
   grep -h "frames received,\|frames lost" mp4.log bag.log | cut -c1-160
   echo "$(ls hour_*.mp4 | wc -l) MP4 pieces ($(du -cb hour_*.mp4 | tail -1 | cut -f1) bytes)," \
     "$(ls hour_bag/*.mcap | wc -l) bag files ($(du -cb hour_bag/*.mcap | tail -1 | cut -f1) bytes)"
   for piece in hour_*.mp4; do  # frames each, and whether it starts at a key frame
     echo "$piece: $(ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$piece") frames," \
       "first $(ffprobe -v error -read_intervals %+#1 -show_entries frame=pict_type -of csv=p=0 "$piece")"
   done
   rm -rf hour_*)
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
