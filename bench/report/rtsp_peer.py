#!/usr/bin/env python3
"""The peer of `orv-camera serve` in the benchmark report: GStreamer's RTSP server over v4l2src,
one shared capture for every client, the camera's H.264 payloaded as it comes (Debian's
python3-gst-1.0 and gir1.2-gst-rtsp-server-1.0). Run under scripts/simcam; loopback only.

    rtsp_peer.py NODE PORT PATH
"""
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402


def main():
    node, port, path = sys.argv[1], sys.argv[2], sys.argv[3]
    Gst.init(None)
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(port)
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_launch("( v4l2src device=%s ! video/x-h264 ! h264parse config-interval=-1 "
                       "! rtph264pay name=pay0 pt=96 )" % node)
    factory.set_shared(True)
    server.get_mount_points().add_factory(path, factory)
    server.attach(None)
    print("serving rtsp://127.0.0.1:%s%s" % (port, path), flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
