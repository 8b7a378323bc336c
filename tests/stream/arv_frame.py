#!/usr/bin/python3
"""Grabs one frame from the GigE Vision camera at an address with aravis's own receiver and
writes it for the stream interop test: a first line "frame_id width height pixel_format",
then the pixel bytes.

Usage: arv_frame.py ADDRESS OUTPUT
"""
import sys

import gi

gi.require_version("Aravis", "0.8")
from gi.repository import Aravis  # noqa: E402


def main():
    address, output = sys.argv[1], sys.argv[2]
    camera = Aravis.Camera.new(address)
    stream = camera.create_stream(None, None)
    payload = camera.get_payload()
    for _ in range(4):
        stream.push_buffer(Aravis.Buffer.new_allocate(payload))
    camera.start_acquisition()
    try:
        for _ in range(20):
            buffer = stream.timeout_pop_buffer(2000000)
            if buffer is None:
                continue
            if buffer.get_status() == Aravis.BufferStatus.SUCCESS:
                width, height = buffer.get_image_width(), buffer.get_image_height()
                data = buffer.get_data()
                with open(output, "wb") as out:
                    out.write(b"%d %d %d %d\n" % (buffer.get_frame_id(), width, height,
                                                 buffer.get_image_pixel_format()))
                    out.write(data[: width * height])
                return 0
            stream.push_buffer(buffer)
        return 1
    finally:
        camera.stop_acquisition()


if __name__ == "__main__":
    sys.exit(main())
