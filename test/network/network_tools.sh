#!/usr/bin/env bash
# The stream tools across a faulty network (test/network/faulty_link.sh): the
# publisher in one network namespace, the recorder in another, UDP between
# them over a veth that loses datagrams, goes down, or is slower than the
# stream. Needs root (namespaces); every namespace is removed on exit.
# Usage: network_tools.sh SCENARIO TOOLS_DIR PEER_DIR SAMPLE_DIR OUT_DIR ID
# Scenarios: loss (reliable: 5 % and 20 % of datagrams lost, the sample
# byte-exact; raw frames sent as fast as the reader takes, all of them),
# outage (the link down 3 s and 15 s under a running stream, OUTAGES to
# choose: both tools go on, the gap counted, MP4, Matroska and bag
# decodable), best-effort (5 % lost: whole frames only, the losses counted,
# the MP4 decodable), slow (a link slower than the stream: latency bounded,
# the frames skipped counted, a reader that keeps up unaffected), restart
# (the publisher killed and started again under a running recorder, and the
# recorder under a running publisher).
set -eu
scenario="$1" tools="$2" peer_dir="$3" samples="$4" out="$5" id="$6"
here="$(cd "$(dirname "$0")" && pwd)"
# Skipped (77) where network namespaces cannot be made: not root, or no nft.
if [ "$(id -u)" -ne 0 ] || ! command -v nft >/dev/null || ! ip netns list >/dev/null 2>&1; then
  echo "network namespaces and nftables are needed (root, iproute2, nftables): skipped"
  exit 77
fi
. "$here/faulty_link.sh"
h264="$samples/sample.h264"
domain=$((id % 200))
common=(--domain "$domain" --transport udp)
rm -rf "$out" && mkdir -p "$out" && cd "$out"

pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; link_remove' EXIT
link_up "$id"

value() {  # LOG TEXT: the number before TEXT in the recorder's summary
  sed -n "s/.* \([0-9][0-9]*\) $2.*/\1/p" "$1" | tail -1
}
decodes_cleanly() {  # FILE: every frame decodes, nothing damaged
  "$tools/h26x_view" --input "$1" >view.log 2>&1 || { cat view.log; exit 1; }
  grep -q " 0 decode errors" view.log || { cat view.log; exit 1; }
  sed -n 's/^h26x_view: //p' view.log
}

case "$scenario" in
  loss)
    # The loss starts once the two have found each other and before the first
    # frame (the publisher writes 1.25 s after it found the reader): the
    # promise is about frames. Discovery itself repairs lost announcements
    # within about a second, and a reader that finds the publisher later
    # than its first frames starts where it joined.
    lossy_after_discovery() {  # PERCENT
      sleep 0.8
      link_loss "$1"
    }
    for percent in 5 20; do
      echo "=== $percent % of the datagrams lost both ways: the sample, byte for byte"
      link_clear
      "${in_b[@]}" "$tools/h26x_recorder" --output "loss$percent.h264" --timeout 60 "${common[@]}" 2>"recorder$percent.log" &
      recorder=$!
      lossy_after_discovery "$percent" &
      "${in_a[@]}" "$tools/h26x_publisher" --input "$h264" "${common[@]}" 2>"publisher$percent.log"
      wait "$recorder" || { cat "recorder$percent.log"; exit 1; }
      cmp "$h264" "loss$percent.h264"
      grep "latency" "recorder$percent.log"
    done
    echo "=== raw 1920x1080 frames as fast as the reader takes, 20 % lost: every frame, byte for byte"
    raw=(--raw 1920x1080 --frames 10 --fps 0)
    "$here/../../scripts/run_pair.sh" "$tools/h26x_recorder" --output direct.rgb --domain "$domain" --transport shm -- \
      "$tools/h26x_publisher" "${raw[@]}" --domain "$domain" --transport shm >/dev/null 2>&1
    link_clear
    "${in_b[@]}" "$tools/h26x_recorder" --output raw.rgb --timeout 60 "${common[@]}" 2>raw.log &
    recorder=$!
    lossy_after_discovery 20 &
    "${in_a[@]}" "$tools/h26x_publisher" "${raw[@]}" "${common[@]}" 2>/dev/null
    wait "$recorder" || { cat raw.log; exit 1; }
    grep "latency" raw.log
    cmp direct.rgb raw.rgb
    ;;
  outage)
    # A live camera (the test pattern, encoded, a key frame a second) for
    # long enough, the link taken down in the middle of it.
    for seconds in ${OUTAGES:-3 15}; do
      echo "=== the link down for $seconds s"
      link_clear
      frames=$(( (seconds + 8) * 25 ))
      "${in_b[@]}" "$tools/h26x_recorder" --output "outage$seconds.mp4" --timeout 0 "${common[@]}" 2>"recorder$seconds.log" &
      recorder=$!
      # Beside it, into Matroska and a bag.
      "${in_b[@]}" "$tools/h26x_recorder" --output "outage$seconds.mkv" --timeout 0 "${common[@]}" 2>/dev/null &
      others=($!)
      "${in_b[@]}" "$tools/h26x_recorder" --output "outage$seconds.mcap" --timeout 0 "${common[@]}" 2>/dev/null &
      others+=($!)
      pids+=("$recorder" "${others[@]}")
      "${in_a[@]}" "$tools/h26x_publisher" --encode h264 --source pattern:320x240 --gop 25 --frames "$frames" \
        "${common[@]}" 2>"publisher$seconds.log" &
      publisher=$!
      pids+=("$publisher")
      sleep 4
      link_down
      before=$(awk '/VmRSS/ {print $2}' "/proc/$publisher/status")
      sleep "$seconds"
      during=$(awk '/VmRSS/ {print $2}' "/proc/$publisher/status")
      link_clear
      # Nothing piles up for a reader that cannot be reached.
      echo "the publisher's memory: $((before / 1024)) MiB when the link went down, $((during / 1024)) MiB before it came back"
      [ "$during" -lt $((before + 16384)) ] || { echo "the publisher grew by $(( (during - before) / 1024 )) MiB"; exit 1; }
      status=0
      wait "$publisher" || status=$?
      [ "$status" -eq 0 ] || { cat "publisher$seconds.log"; echo "the publisher failed: $status"; exit 1; }
      wait "$recorder" "${others[@]}" || true
      grep -v "frames received$" "recorder$seconds.log"
      lost=$(value "recorder$seconds.log" "frames lost")
      received=$(sed -n 's/^h26x_recorder: \([0-9]*\) frames received,.*/\1/p' "recorder$seconds.log")
      # The gap is counted, and the stream came back after it.
      [ "$lost" -gt 0 ] && [ "$received" -gt $((frames - seconds * 25 - 50)) ] ||
        { echo "lost $lost, received $received of $frames"; exit 1; }
      decodes_cleanly "outage$seconds.mp4"
      decodes_cleanly "outage$seconds.mkv"
      "$tools/h26x_view" --input "outage$seconds" --output "from_bag$seconds.mp4" >/dev/null 2>&1
      decodes_cleanly "from_bag$seconds.mp4"
    done
    ;;
  best-effort)
    # A camera driver's sensor-data QoS: lost datagrams are lost frames.
    echo "=== a best-effort writer, 5 % of the datagrams lost: whole frames only, the losses counted"
    link_loss 5
    "${in_b[@]}" "$tools/h26x_recorder" --output best_effort.h264 --timeout 10 "${common[@]}" 2>recorder.log &
    recorder=$!
    pids+=("$recorder")
    "${in_a[@]}" "$peer_dir/dds_peer" send --best-effort --input "$h264" "${common[@]}" >/dev/null 2>&1
    wait "$recorder" || true
    grep -v "frames received$" recorder.log
    lost=$(value recorder.log "frames lost")
    skipped=$(value recorder.log "units skipped")
    recorded=$(sed -n 's/^recorded best_effort.h264: \([0-9]*\) frames.*/\1/p' recorder.log)
    [ "$lost" -gt 0 ] || { echo "nothing was lost at 5 %"; exit 1; }
    accounted=$((lost + skipped))
    # The end-of-stream marker lost too: the frames lost after the last that
    # came are not known to the recorder, which says it ended on its timeout.
    if grep -q "nothing received for" recorder.log; then
      accounted=$((150 - recorded))
    fi
    "$peer_dir/check_recording" "$h264" best_effort.h264 "$recorded" "$accounted"
    ;;
  slow)
    # A 640x360 camera at about 2 Mbit/s over a link that carries 100 kB/s.
    echo "=== a link slower than the stream: latency bounded, frames skipped to key frames and counted"
    link_rate 100
    "${in_b[@]}" "$tools/h26x_recorder" --output slow.mp4 --timeout 10 "${common[@]}" 2>recorder.log &
    recorder=$!
    # A reader beside the publisher, which keeps up: it gets every frame.
    "${in_a[@]}" "$tools/h26x_recorder" --output near.mp4 --timeout 10 "${common[@]}" 2>near.log &
    near=$!
    pids+=("$recorder" "$near")
    "${in_a[@]}" "$tools/h26x_publisher" --encode h264 --source pattern:640x360 --bitrate 2000000 --gop 25 --frames 300 \
      "${common[@]}" 2>publisher.log
    wait "$recorder" "$near" || true
    grep -q "^h26x_recorder: 300 frames received.*" near.log && grep -q " 0 frames lost" near.log ||
      { cat near.log; echo "the reader that keeps up lost frames"; exit 1; }
    grep -v "frames received$" recorder.log
    lost=$(value recorder.log "frames lost")
    oldest=$(sed -n 's/.*latency ms .* max \([0-9]*\).*/\1/p' recorder.log)
    [ "$lost" -gt 0 ] || { echo "nothing was lost on a link slower than the stream"; exit 1; }
    [ "$oldest" -lt 2500 ] || { echo "a frame $oldest ms old was delivered"; exit 1; }
    decodes_cleanly slow.mp4
    ;;
  restart)
    camera=(--encode h264 --source pattern:320x240 --gop 25 "${common[@]}")
    for output in restart.h264 restart.mp4 restart.mcap; do
      echo "=== the publisher killed and started again under a running recorder ($output)"
      "${in_b[@]}" "$tools/h26x_recorder" --output "$output" --timeout 20 "${common[@]}" 2>"recorder_$output.log" &
      recorder=$!
      pids+=("$recorder")
      "${in_a[@]}" "$tools/h26x_publisher" "${camera[@]}" --frames 1000 2>/dev/null &
      first=$!
      sleep 4
      kill -KILL "$first"
      sleep 2
      "${in_a[@]}" "$tools/h26x_publisher" "${camera[@]}" --frames 100 2>/dev/null
      wait "$recorder" || true
      grep -v "frames received$" "recorder_$output.log"
      # One recording: frames of the first publisher, then the second's 100 from its key frame.
      case "$output" in
        *.mcap) "$tools/h26x_view" --input "${output%.mcap}" --output "from_$output.mp4" >/dev/null 2>&1
                decodes_cleanly "from_$output.mp4" ;;
        *) decodes_cleanly "$output" ;;
      esac
      frames=$(sed -n 's/^h26x_view: \([0-9]*\) frames decoded.*/\1/p' view.log)
      [ "$frames" -gt 150 ] || { echo "only $frames frames: the second publisher's are missing"; exit 1; }
    done
    echo "=== the recorder started under a running publisher: from the next key frame"
    "${in_b[@]}" "$tools/h26x_recorder" --output first.h264 "${common[@]}" 2>/dev/null &
    pids+=($!)
    "${in_a[@]}" "$tools/h26x_publisher" "${camera[@]}" --frames 250 --no-key-on-join 2>/dev/null &
    publisher=$!
    pids+=("$publisher")
    sleep 5
    "${in_b[@]}" "$tools/h26x_recorder" --output late.mp4 "${common[@]}" 2>late.log
    wait "$publisher"
    decodes_cleanly late.mp4
    frames=$(sed -n 's/^h26x_view: \([0-9]*\) frames decoded.*/\1/p' view.log)
    [ "$frames" -lt 250 ] || { echo "the late recorder has every frame: it did not join late"; exit 1; }
    ;;
  *)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac
