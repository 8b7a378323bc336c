#!/usr/bin/python3
"""The aravis receiver takes softcam's test-pattern stream: every frame arrives whole and
pixel-exact, for Mono8 and a Bayer format, with packets of 1500 and 9000 bytes.

Usage (inside a private network namespace): arv_stream.py SOFTCAM
"""
import subprocess
import sys
import time

import gi
import numpy as np

gi.require_version("Aravis", "0.8")
from gi.repository import Aravis  # noqa: E402

FRAMES = 8
CASES = [  # pixel format, width, height, packet size
    ("Mono8", 640, 480, 1500),
    ("BayerRG8", 1000, 700, 9000),
    ("BayerGB8", 333, 77, 1500),
]


def pattern(width, height, frame):
    """Frame `frame` of the test pattern (offsets 0): (X + 3Y + 5N + ((X ^ Y) >> 4)) mod 256."""
    x = np.arange(width, dtype=np.uint32)[None, :]
    y = np.arange(height, dtype=np.uint32)[:, None]
    return ((x + 3 * y + 5 * frame + ((x ^ y) >> 4)) & 0xFF).astype(np.uint8)


def run_case(pixel_format, width, height, packet_size):
    camera = Aravis.Camera.new("127.0.0.1")
    camera.set_string("PixelFormat", pixel_format)
    camera.set_integer("Width", width)
    camera.set_integer("Height", height)
    camera.gv_set_packet_size(packet_size)
    payload = camera.get_payload()
    assert payload == width * height, f"PayloadSize {payload}"
    stream = camera.create_stream(None, None)
    for _ in range(FRAMES + 4):
        stream.push_buffer(Aravis.Buffer.new_allocate(payload))
    camera.start_acquisition()
    frames = []
    try:
        deadline = time.monotonic() + 20
        while len(frames) < FRAMES and time.monotonic() < deadline:
            buffer = stream.timeout_pop_buffer(2_000_000)
            if buffer is None:
                continue
            status = buffer.get_status()
            if status != Aravis.BufferStatus.SUCCESS:
                raise AssertionError(f"frame status {status}")
            data = np.frombuffer(buffer.get_data(), dtype=np.uint8).copy()
            frames.append((buffer.get_frame_id(), buffer.get_image_width(), buffer.get_image_height(),
                           buffer.get_image_pixel_format(), data))
            stream.push_buffer(buffer)
    finally:
        camera.stop_acquisition()
    assert len(frames) == FRAMES, f"{len(frames)} frames of {FRAMES}"
    previous = None
    for frame_id, w, h, fmt, data in frames:
        assert (w, h) == (width, height), f"frame {frame_id}: {w}x{h}"
        # The pattern value of pixel 0,0 gives the frame number (5 is invertible modulo 256).
        number = (int(data[0]) * pow(5, -1, 256)) % 256
        expected = pattern(width, height, number).reshape(-1)
        wrong = np.flatnonzero(data != expected)
        assert wrong.size == 0, f"frame {frame_id}: {wrong.size} wrong pixels, first at {wrong[0]}"
        if previous is not None:
            assert number == (previous + 1) % 256, f"frame {frame_id}: number {number} after {previous}"
        previous = number
    print(f"ok: {pixel_format} {width}x{height} packets of {packet_size}: {FRAMES} frames intact")


def with_softcam(softcam, options, cases):
    process = subprocess.Popen([softcam, "--fps", "50"] + options, stdout=subprocess.PIPE, text=True)
    try:
        line = ""
        while not line.startswith("ready"):
            line = process.stdout.readline()
            if not line:
                raise SystemExit("softcam did not start")
        for case in cases:
            run_case(*case)
    finally:
        process.terminate()
        process.wait(timeout=10)


def main():
    softcam = sys.argv[1]
    with_softcam(softcam, [], CASES)
    # Packets left out on purpose come back through aravis's PACKETRESEND requests.
    with_softcam(softcam, ["--test-drop", "0.02"], CASES[:1])
    return 0


if __name__ == "__main__":
    sys.exit(main())
