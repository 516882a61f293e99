#!/usr/bin/env bash
# The browser viewer (h26x_web) in Debian's Chromium, headless, driven by
# test/js/check_web.mjs; the pictures compared with the ffmpeg program's
# decoding of the same units.
# Usage: web_tools.sh SCENARIO TOOLS_DIR PAGE_DIR SAMPLE_DIR OUT_DIR DOMAIN
# Scenarios: play (the sample's every frame shown and equal to libavcodec's;
# a page opened mid-stream shows a picture at once, from the last key
# frame), many (four streams on one page, a tab closed and a socket that
# stops reading beside it), kinds (H.265 and raw images as JPEG pictures),
# requests (traversal, Origin, token, oversized and malformed requests, a
# flood of connections; a non-loopback address without a token refused).
set -eu
scenario="$1" tools="$2" page="$3" samples="$4" out="$5" domain="$6"
here="$(cd "$(dirname "$0")" && pwd)"
check=(node "$here/../js/check_web.mjs")
port=$((31000 + domain))
base="http://127.0.0.1:$port/"
common=(--domain "$domain" --transport shm)
export ROS_LOCALHOST_ONLY=1
rm -rf "$out" && mkdir -p "$out" && cd "$out"

server="" browser=""
trap 'kill $server $browser 2>/dev/null || true' EXIT
start_server() {
  "$tools/h26x_web" --bind "127.0.0.1:$port" "${common[@]}" "$@" 2>server.log &
  server=$!
  for _ in $(seq 100); do grep -q "serving" server.log && return; sleep 0.1; done
  cat server.log; exit 1
}
start_browser() {
  "${check[@]}" "$@" >browser.log 2>&1 &
  browser=$!
  for _ in $(seq 600); do
    grep -q "^ready" browser.log && return
    kill -0 "$browser" 2>/dev/null || break
    sleep 0.1
  done
  cat browser.log; exit 1
}
stop_server() {
  kill -INT "$server"; wait "$server" || { cat server.log; exit 1; }
  cat server.log
}
# The SHA-256 of each picture libavcodec decodes from FILE, in display order.
hashes_of() { ffmpeg -nostdin -v error -i "$1" -fps_mode passthrough -f framehash -hash sha256 - | grep -v '^#' | awk -F', *' '{print $NF}'; }

case "$scenario" in
  play)
    hashes_of "$samples/sample.h264" >want.txt
    start_server --page "$page"
    start_browser play "$base" play.json /camera/h26x 75
    "$tools/h26x_publisher" --input "$samples/sample.h264" --topic /camera/h26x "${common[@]}" 2>publisher.log
    wait "$browser" || { cat browser.log; exit 1; }
    stop_server
    /usr/bin/python3 - <<'EOF'
import json
report = json.load(open("play.json"))
want = open("want.txt").read().split()
first, late = report["first"]["tiles"][0], report["late"]["tiles"][0]
assert first["shown"] == len(want) and first["hashes"] == want, \
    f"the first page: {first['shown']} of {len(want)} shown, pictures equal: {first['hashes'] == want}"
# The late page starts at a key frame of the sample (units 0, 50, 100) from the server's cache: a picture at once.
assert late["hashes"] in (want[50:], want[100:]), "the late page: not the sample from a key frame on"
assert late["caughtUp"] > 0 and late["firstShownStamp"] < late["subscribedAt"], "the late page waited for a new frame"
def p(values, share):
    values = sorted(values)
    return values[min(len(values) - 1, int(share * len(values)))]
print(f"first page: {first['shown']} frames shown, each equal to libavcodec's; "
      f"latency ms p50 {p(first['latencies'], 0.5):.1f} p99 {p(first['latencies'], 0.99):.1f}")
print(f"late page: joined at a key frame {len(want) - len(late['hashes'])}, {late['shown']} frames shown, "
      f"first picture {late['firstShownAt'] - late['subscribedAt']:.1f} ms after subscribing")
EOF
    ;;
  many)
    hashes_of "$samples/sample.h264" >want.txt
    start_server --page "$page"
    # The README's picture of the page (docs/web_viewer.png) is this run's page.png.
    start_browser many "$base" many.json 4 300 page.png
    pids=()
    for k in 0 1 2 3; do
      "$tools/h26x_publisher" --input "$samples/sample.h264" --topic "/cam$k" "${common[@]}" 2>"publisher$k.log" &
      pids+=($!)
    done
    for pid in "${pids[@]}"; do wait "$pid"; done
    wait "$browser" || { cat browser.log; exit 1; }
    stop_server
    /usr/bin/python3 - <<'EOF'
import json
tiles = json.load(open("many.json"))["watcher"]["tiles"]
want = open("want.txt").read().split()
assert sorted(tile["topic"] for tile in tiles) == ["/cam0", "/cam1", "/cam2", "/cam3"], [t["topic"] for t in tiles]
for tile in tiles:
    assert tile["hashes"] == want, f"{tile['topic']}: {tile['shown']} of {len(want)} shown, pictures equal: no"
print(f"4 streams on one page, each {len(want)} frames equal to libavcodec's, beside a closed tab and a stalled socket")
EOF
    ;;
  kinds)
    start_server --page "$page" --jpeg-rate 10
    start_browser many "$base" kinds.json 2 4
    "$tools/h26x_publisher" --input "$samples/sample.h265" --topic /h265 "${common[@]}" 2>publisher_h265.log &
    h265=$!
    "$tools/h26x_publisher" --raw 320x240 --frames 100 --topic /raw "${common[@]}" 2>publisher_raw.log
    wait "$h265"
    wait "$browser" || { cat browser.log; exit 1; }
    stop_server
    /usr/bin/python3 - <<'EOF'
import json
tiles = {tile["topic"]: tile for tile in json.load(open("kinds.json"))["watcher"]["tiles"]}
for topic, codec in (("/h265", "h265"), ("/raw", "rgb8")):
    info = tiles[topic]["info"]
    assert info["delivery"] == "jpeg" and info["codec"] == codec, info
    # Pictures at most 10 a second of a 25 frames/s stream, at least one.
    assert 0 < tiles[topic]["shown"] < info["frames"], (topic, tiles[topic]["shown"], info["frames"])
    assert tiles[topic]["errors"] == 0
    print(f"{topic}: {codec} as JPEG, {tiles[topic]['shown']} pictures of {info['frames']} frames")
EOF
    ;;
  requests)
    mkdir web
    cp "$page"/* web/
    ln -s /etc/passwd web/linked.txt
    start_server --page web --token secret
    "${check[@]}" requests "${base}?token=secret"
    stop_server
    grep -q "requests refused" server.log
    echo "=== a non-loopback address without --token: refused before anything is bound"
    status=0
    "$tools/h26x_web" --bind 192.0.2.1:8080 --page "$page" "${common[@]}" 2>refused.log || status=$?
    cat refused.log
    [ "$status" -eq 2 ] && grep -q "give --token" refused.log
    ;;
  *)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac
