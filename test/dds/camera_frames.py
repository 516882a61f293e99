#!/usr/bin/env python3
"""Frames a camera sent against the frames that came out of the encoder.

Usage: camera_frames.py DECODED SOURCE FRAME_BYTES STAMPS MAX_VALUE
DECODED: the encoder's output decoded by the ffmpeg program into the
camera's own pixel layout; SOURCE: the camera's eight pictures in that
layout; STAMPS: "sec nanosec frame_id" a line per output frame, in order.
Frame k of the output was made from picture (nanosec % 8) of the source:
each must be within 35 dB PSNR of it (samples of MAX_VALUE, 255 or 65535),
stamped in order, framed "peer_camera". Prints the lowest PSNR."""
import math
import sys

decoded_path, source_path, frame_bytes, stamps_path, max_value = sys.argv[1:6]
frame_bytes, max_value = int(frame_bytes), int(max_value)
wide = max_value > 255
decoded = open(decoded_path, "rb").read()
source = open(source_path, "rb").read()
stamps = [line.split() for line in open(stamps_path) if line.strip()]
failures = []
if len(decoded) != len(stamps) * frame_bytes or len(source) != 8 * frame_bytes:
    sys.exit(f"{len(decoded)} bytes decoded for {len(stamps)} stamps of {frame_bytes}, {len(source)} source bytes")


def samples(data):
    if wide:
        return [data[i] << 8 | data[i + 1] for i in range(0, len(data), 2)]
    return data


lowest = math.inf
previous = -1
for k, (sec, nanosec, frame_id) in enumerate(stamps):
    index = int(nanosec) % 8
    got = samples(decoded[k * frame_bytes:(k + 1) * frame_bytes])
    want = samples(source[index * frame_bytes:(index + 1) * frame_bytes])
    error = sum((a - b) ** 2 for a, b in zip(got, want)) / len(want)
    psnr = math.inf if error == 0 else 10 * math.log10(max_value ** 2 / error)
    lowest = min(lowest, psnr)
    if psnr < 35:
        failures.append(f"frame {k} (picture {index}): {psnr:.1f} dB")
    stamp = int(sec) * 10**9 + int(nanosec)
    if stamp <= previous or frame_id != "peer_camera":
        failures.append(f"frame {k}: stamp {sec}.{nanosec} frame '{frame_id}' after {previous}")
    previous = stamp
print(f"{len(stamps)} frames, lowest PSNR {lowest:.1f} dB, stamps and frame_id kept")
if failures:
    sys.exit("\n".join(failures[:10]))
