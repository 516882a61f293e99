#!/usr/bin/env bash
# The stream demo: h26x_recorder and h26x_publisher as two processes over
# Fast DDS, set up as two ROS 2 nodes on this machine would be, first on the
# H.264 sample alone (at its own 25 frames/s), then on both samples as one
# MultiCompressed stream; every recording must equal its input. Last, a
# test pattern encoded with its originals, recorded to MP4, and a contact
# sheet of the recording.
#
# Usage: stream_demo.sh [--installed] TOOLS_DIR SAMPLE_DIR OUTPUT_DIR [DOMAIN]
# With --installed the first run uses the programs' defaults: no arguments.
set -eu
# Nothing leaves this machine: the tools follow ROS 2's environment.
export ROS_LOCALHOST_ONLY=1
installed=false
if [ "${1:-}" = "--installed" ]; then installed=true; shift; fi
tools="$1" samples="$2" out="$3" domain="${4:-0}"
pair="$(cd "$(dirname "$0")" && pwd)/run_pair.sh"
mkdir -p "$out"
cd "$out"
rm -f recorded*

echo "=== one H.264 stream as orvane_h26x_msgs/Compressed"
if $installed; then
  "$pair" "$tools/h26x_recorder" -- "$tools/h26x_publisher"
else
  "$pair" "$tools/h26x_recorder" --output recorded.h26x --domain "$domain" -- \
    "$tools/h26x_publisher" --input "$samples/sample.h264" --domain "$domain"
fi
cmp "$samples/sample.h264" recorded.h26x
echo "recorded.h26x is byte-identical to sample.h264"

echo "=== H.264 and H.265 streams together as orvane_h26x_msgs/MultiCompressed"
"$pair" "$tools/h26x_recorder" --multi --output recorded --domain "$domain" -- \
  "$tools/h26x_publisher" --input "$samples/sample.h264" --input "$samples/sample.h265" --domain "$domain"
cmp "$samples/sample.h264" recorded.0
cmp "$samples/sample.h265" recorded.1
echo "recorded.0 and recorded.1 are byte-identical to sample.h264 and sample.h265"

echo "=== a test pattern encoded to H.264 and sent with its originals, recorded to MP4"
rm -f encoded* contact_sheet.png
"$pair" "$tools/h26x_recorder" --multi --output encoded.mp4 --domain "$domain" -- \
  "$tools/h26x_publisher" --encode h264 --source pattern:640x360 --frames 75 --with-originals --domain "$domain"
"$tools/h26x_view" --input encoded.0.mp4 --sheet contact_sheet.png --grid 5x3 --tile-width 192
echo "contact sheet of the recording: $(pwd)/contact_sheet.png"
