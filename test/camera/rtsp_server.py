#!/usr/bin/env python3
"""A network camera for the tests: GStreamer's RTSP server (Debian's
gir1.2-gst-rtsp-server-1.0) on 127.0.0.1 serving the video of MP4 files as
it is (timed by the file, paced in real time, the parameter sets in the SDP
and as the stream has them), with RTCP sender reports (NTP wall clock).

Usage: rtsp_server.py PORT H264_MP4 H265_MP4
Mounts /h264 and /h265; each client gets the file from its start. Prints
"ready" when it listens; ends on SIGTERM / SIGINT."""
import signal
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402

port, h264, h265 = sys.argv[1:4]
Gst.init(None)
server = GstRtspServer.RTSPServer()
server.set_address("127.0.0.1")
server.set_service(port)
mounts = server.get_mount_points()
for mount, path, codec in (("/h264", h264, "264"), ("/h265", h265, "265")):
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_launch(
        f"( filesrc location={path} ! qtdemux ! h{codec}parse ! rtph{codec}pay name=pay0 pt=96 config-interval=0 )")
    mounts.add_factory(mount, factory)
if server.attach(None) == 0:
    sys.exit("cannot listen on 127.0.0.1:" + port)
loop = GLib.MainLoop()
for number in (signal.SIGTERM, signal.SIGINT):
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, number, loop.quit)
print("ready", flush=True)
loop.run()
