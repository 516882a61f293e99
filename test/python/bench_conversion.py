"""Conversion speed of the Python messages through their capsules: an Image
with 8 MiB of data against a memcpy of the payload, and a 1 KiB Image."""

import rclpy_like
from orvane_h26x_msgs.msg import Image
from std_msgs.msg import Header


def measure(size, repeat):
    image = Image(header=Header(frame_id='camera'), encoding='rgb8', width=1920, height=size // 5760,
                  step=5760, data=bytes(size))
    best = None
    for _ in range(5):
        run = rclpy_like.conversion_seconds(image, repeat, size)
        if best is None or run[0] + run[1] < best[0] + best[1]:
            best = run
    return [seconds / repeat for seconds in best]


print('| Image data | Python -> record (reused / fresh) | record -> Python | memcpy | memcpy / conversion: '
      'to record, to Python, both ways (fresh record) |')
print('|---|---|---|---|---|')
for size, repeat, label in ((8 << 20, 20, '8 MiB'), (1024, 20000, '1 KiB')):
    from_py, to_py, copy, fresh = measure(size, repeat)
    unit, scale = ('ms', 1e3) if size > 1 << 20 else ('µs', 1e6)
    print('| %s | %.2f / %.2f %s | %.2f %s | %.3f %s | %.2f, %.2f, %.2f (%.2f) |' % (
        label, from_py * scale, fresh * scale, unit, to_py * scale, unit, copy * scale, unit,
        copy / from_py, copy / to_py, 2 * copy / (from_py + to_py), 2 * copy / (fresh + to_py)))
