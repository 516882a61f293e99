#!/usr/bin/env bash
# rosbag2 bags in and out of the stream tools, checked by readers and writers
# that are not the project's: @mcap/core with Foxglove's CDR reader and writer
# (test/js/check_bag.mjs), Python's sqlite3, and the ffmpeg program's frame
# hashes. Usage: bag_tools.sh SCENARIO TOOLS_DIR CHECK_MEDIA SAMPLE_DIR OUT_DIR DOMAIN
# Scenarios: record (several topics into MCAP, read back, turned into video,
# copied by other writers, into SQLite), split (by size and by duration),
# kill (SIGKILL mid-recording), replay (a bag published again), hostile
# (damaged bags and metadata), foreign (sensor_msgs/Image and Foxglove's
# CompressedVideo republished, read with the official definitions in both
# byte orders).
set -eu
scenario="$1" tools="$2" check="$3" samples="$4" out="$5" domain="$6"
here="$(cd "$(dirname "$0")" && pwd)"
js="$here/../js/check_bag.mjs"
pair="$here/../../scripts/run_pair.sh"
common=(--domain "$domain" --transport shm)
export ROS_LOCALHOST_ONLY=1
h264="$samples/sample.h264" h265="$samples/sample.h265"
rm -rf "$out" && mkdir -p "$out" && cd "$out"

# The decoded frames' MD5s as the ffmpeg program computes them.
frame_hashes() { ffmpeg -nostdin -v error -i "$1" -fps_mode passthrough -f framemd5 - | grep -v '^#' | awk -F', *' '{print $NF}'; }
# FILE decodes to exactly the frames of REFERENCE.
same_frames() {
  frame_hashes "$2" >reference.md5
  frame_hashes "$1" >file.md5
  [ -s reference.md5 ] && cmp reference.md5 file.md5 ||
    { echo "$1: $(wc -l <file.md5) frames, not those of $2 ($(wc -l <reference.md5))"; exit 1; }
  echo "$1: the $(wc -l <file.md5) frames of $(basename "$2")"
}
# Records the sample (Compressed, /camera/h26x) into a bag: recorder ARGS...
record_sample() {
  "$pair" "$tools/h26x_recorder" "$@" "${common[@]}" -- \
    "$tools/h26x_publisher" --input "$h264" "${common[@]}" 2>/dev/null
}
# A tool's status must be 0 or 1 (never a crash) and its last line said why.
bounded_failure() {  # EXPECTED_STATUS TOOL ARGS...
  local expected="$1" status=0
  shift
  "$@" >tool.log 2>&1 || status=$?
  tail -3 tool.log
  [ "$status" = "$expected" ] || { echo "exit status $status, expected $expected: $*"; exit 1; }
}

case "$scenario" in
  record)
    echo "=== three publishers, three message types, one bag"
    "$tools/h26x_recorder" --output rec.mcap --topic /camera/h26x --topic /cam/multi --topic /cam/decoded \
      --topic /cam/encoded "${common[@]}" 2>recorder.log &
    recorder=$!
    "$tools/h26x_view" --live --republish /cam/decoded "${common[@]}" >view.log 2>&1 &
    viewer=$!
    sleep 0.3
    "$tools/h26x_publisher" --input "$h264" "${common[@]}" 2>/dev/null &
    first=$!
    "$tools/h26x_publisher" --input "$h264" --input "$h265" --topic /cam/multi "${common[@]}" 2>/dev/null &
    second=$!
    "$tools/h26x_publisher" --encode h264 --source pattern:64x48 --frames 10 --with-originals --topic /cam/encoded \
      "${common[@]}" 2>/dev/null
    wait "$first" && wait "$second" && wait "$viewer" && wait "$recorder" ||
      { cat recorder.log view.log; echo "a tool failed"; exit 1; }
    grep -v "frames received$" recorder.log
    node "$js" read rec /camera/h26x="$h264" /cam/multi="$h264,$h265"
    "$tools/h26x_view" --input rec --list | tee list.log
    grep -q "^/camera/h26x  orvane_h26x_msgs/msg/Compressed  151 messages$" list.log
    grep -q "^/cam/multi  orvane_h26x_msgs/msg/MultiCompressed  151 messages$" list.log
    grep -q "^/cam/encoded  orvane_h26x_msgs/msg/MultiCompressed  11 messages$" list.log
    grep -q "^/cam/decoded  sensor_msgs/msg/Image  [1-9][0-9]* messages$" list.log

    echo "=== into video without decoding: the frames of the samples"
    "$tools/h26x_view" --input rec --topic /camera/h26x --output sample.mp4
    same_frames sample.mp4 "$h264"
    "$tools/h26x_view" --input rec --topic /cam/multi --output multi.mkv
    same_frames multi.0.mkv "$h264"
    same_frames multi.1.mkv "$h265"
    "$tools/h26x_view" --input rec --topic /cam/encoded --originals originals
    [ "$(ls originals | wc -l)" = 10 ] || { ls originals; echo "not 10 original images"; exit 1; }
    echo "=== decoded from the bag: frames and a contact sheet"
    "$tools/h26x_view" --input rec --topic /camera/h26x --frames frames --sheet sheet.png --grid 4x3 --tile-width 160
    "$check" frames frames "$h264"
    "$check" sheet sheet.png "$h264" 4 3 160

    echo "=== the bag written again by @mcap/core (zstd chunks, no chunks), read here"
    for mode in zstd unchunked; do
      node "$js" copy rec/rec_0.mcap "copy_$mode.mcap" "$mode"
      "$tools/h26x_view" --input "copy_$mode.mcap" --topic /camera/h26x --output "copy_$mode.mp4"
      same_frames "copy_$mode.mp4" "$h264"
    done
    echo "=== the bag as rosbag2's SQLite storage, written by Python's sqlite3"
    node "$js" dump rec/rec_0.mcap rec.jsonl
    python3 "$here/make_db3.py" rec.jsonl rec.db3
    "$tools/h26x_view" --input rec.db3 --list
    "$tools/h26x_view" --input rec.db3 --topic /camera/h26x --output db3.mp4
    same_frames db3.mp4 "$h264"
    ;;
  split)
    echo "=== split at 64 KiB, lz4 chunks of 16 KiB"
    record_sample --output by_size --format bag --compression lz4 --chunk-size 16384 --max-bag-size 65536
    node "$js" read by_size /camera/h26x="$h264"
    files=$(ls by_size/*.mcap | wc -l)
    [ "$files" -ge 3 ] || { echo "$files files"; exit 1; }
    "$tools/h26x_view" --input by_size --output by_size.mp4
    same_frames by_size.mp4 "$h264"
    echo "=== split every 1.5 s of a 6 s stream (key frames 2 s apart), uncompressed"
    record_sample --output by_time.mcap --compression none --max-bag-duration 1.5
    node "$js" read by_time /camera/h26x="$h264"
    files=$(ls by_time/*.mcap | wc -l)
    [ "$files" -ge 3 ] || { echo "$files files"; exit 1; }
    ;;
  kill)
    echo "=== SIGKILL to the recorder in the middle of a paced stream"
    "$tools/h26x_recorder" --output cut.mcap "${common[@]}" 2>recorder.log &
    recorder=$!
    "$tools/h26x_publisher" --input "$h264" "${common[@]}" 2>/dev/null &
    publisher=$!
    for _ in $(seq 600); do grep -q "^h26x_recorder: 75 frames received" recorder.log && break; sleep 0.05; done
    kill -KILL "$recorder"
    wait "$recorder" || true
    kill "$publisher" 2>/dev/null || true
    wait "$publisher" || true
    [ ! -e cut/metadata.yaml ] || { echo "a killed recorder wrote metadata.yaml"; exit 1; }
    whole=$(node "$js" count cut/cut_0.mcap)
    echo "@mcap/core reads $whole messages in whole chunks"
    # Chunks close after 1 s: at most the last 25 frames (and the time to kill) are lost.
    [ "$whole" -ge 40 ] || { echo "only $whole of 75 messages in whole chunks"; exit 1; }
    "$tools/h26x_view" --input cut --list | tee list.log
    grep -q "^cut: $whole messages$" list.log
    "$tools/h26x_view" --input cut --reindex
    grep -q "^  message_count: $whole$" cut/metadata.yaml
    grep -q "offered_qos_profiles: \"- history: 3" cut/metadata.yaml
    "$tools/h26x_view" --input cut --output cut.mp4 2>view.log
    grep -q "^recorded cut.mp4: $whole frames" view.log || { cat view.log; exit 1; }
    "$check" container cut.mp4 "$h264" 0 prefix
    ;;
  replay)
    record_sample --output rec.mcap
    echo "=== replayed into a second bag: the same bytes"
    "$pair" "$tools/h26x_recorder" --output again.mcap "${common[@]}" -- \
      "$tools/h26x_publisher" --input rec --rate 4 "${common[@]}"
    node "$js" same rec/rec_0.mcap again/again_0.mcap /camera/h26x
    echo "=== a .mcap file as fast as the reader takes, into Annex-B: the sample"
    "$pair" "$tools/h26x_recorder" --output again.h264 "${common[@]}" -- \
      "$tools/h26x_publisher" --input rec/rec_0.mcap --fps 0 "${common[@]}"
    cmp "$h264" again.h264
    echo "=== looped: the sample twice, and on"
    "$tools/h26x_recorder" --output looped.h264 --frames 300 "${common[@]}" 2>recorder.log &
    recorder=$!
    "$tools/h26x_publisher" --input rec --loop --rate 8 "${common[@]}" 2>publisher.log &
    publisher=$!
    wait "$recorder" || { cat recorder.log; exit 1; }
    kill -INT "$publisher"
    wait "$publisher" || { cat publisher.log; echo "the looping publisher did not stop cleanly"; exit 1; }
    cat "$h264" "$h264" | cmp - looped.h264
    ;;
  hostile)
    record_sample --output rec.mcap --compression none --chunk-size 65536
    python3 "$here/damage_bag.py" rec damaged
    echo "=== damage in the files: passed over, said, status 1"
    for name in bad_crc lying_length huge_chunk wrong_type; do
      echo "--- $name"
      bounded_failure 1 "$tools/h26x_view" --input "damaged/$name.mcap" --topic /camera/h26x
    done
    echo "--- a file cut in a chunk: what is whole is read (status 0)"
    bounded_failure 0 "$tools/h26x_view" --input damaged/cut.mcap --topic /camera/h26x
    echo "=== bags that cannot be read: one line, status 1"
    for name in escaping_metadata garbled_metadata no_messages_table; do
      echo "--- $name"
      bounded_failure 1 "$tools/h26x_view" --input "damaged/$name" --list
    done
    echo "--- a message on a topic the SQLite bag does not list"
    bounded_failure 1 "$tools/h26x_view" --input damaged/unknown_topic.db3
    ;;
  foreign)
    echo "=== decoded frames as sensor_msgs/Image, units as foxglove_msgs/CompressedVideo, into a bag"
    "$tools/h26x_recorder" --output rec.mcap --topic /camera/h26x --topic /cam/image --topic /cam/video --timeout 3 \
      "${common[@]}" 2>recorder.log &
    recorder=$!
    "$tools/h26x_view" --live --republish /cam/image --foxglove /cam/video --timeout 3 "${common[@]}" >view.log 2>&1 &
    viewer=$!
    sleep 0.3
    "$tools/h26x_publisher" --input "$h264" "${common[@]}" 2>/dev/null
    wait "$viewer" && wait "$recorder" || { cat recorder.log view.log; echo "a tool failed"; exit 1; }
    grep -q "has B-frames, which Foxglove does not reorder" view.log || { cat view.log; echo "B-frames not said"; exit 1; }
    echo "=== read with the official definitions (Foxglove's reader and writer)"
    node "$js" foreign rec/rec_0.mcap /camera/h26x js
    same_frames js.cam.video.h264 "$h264"
    ffmpeg -nostdin -v error -i "$h264" -f rawvideo -pix_fmt rgb24 reference.rgb
    cmp js.cam.image.raw reference.rgb && echo "js.cam.image.raw: the sample's frames in rgb8, as libavcodec decodes them"
    echo "=== big-endian, written by @foxglove/cdr, read by the tools"
    "$tools/h26x_view" --input js.be.mcap --topic /cam/video --output be.mp4
    same_frames be.mp4 "$h264"
    "$tools/h26x_view" --input js.be.mcap --topic /cam/image --frames be_frames
    ffmpeg -nostdin -v error -i be_frames/frame_%06d.png -f rawvideo -pix_fmt rgb24 be.rgb
    cmp be.rgb reference.rgb && echo "be_frames: the sample's frames"
    echo "=== cut and lying samples: passed over, counted, status 1"
    for topic in /cam/video /cam/image; do
      bounded_failure 1 "$tools/h26x_view" --input js.hostile.mcap --topic "$topic"
      grep -q "^h26x_view: 1 frames decoded" tool.log && grep -q "2 messages were not of their topic's type" tool.log
    done
    ;;
  *)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac
echo "=== $scenario: passed"
