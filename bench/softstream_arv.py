#!/usr/bin/python3
"""softcam (our GVSP sender, free running) to the aravis receiver (its Python binding) over
loopback: frames/s, MB/s, CPU % of sender and receiver, lost frames, for 2448x2048 Mono8 and
BayerRG8 with packets of 1500 and 9000 bytes. Prints figures; asserts nothing.

Run inside a private network namespace:
  scripts/netns-run /usr/bin/python3 bench/softstream_arv.py build/bin/softcam [SECONDS]
"""
import argparse
import os
import subprocess
import sys
import time

Aravis = None  # aravis's Python binding, imported once the command line is read

WIDTH, HEIGHT = 2448, 2048
CASES = [("Mono8", 1500), ("Mono8", 9000), ("BayerRG8", 1500), ("BayerRG8", 9000)]
TICKS = os.sysconf("SC_CLK_TCK")


def require_private_network():
    """The aravis receiver runs in this process: only inside scripts/netns-run."""
    if any(name != "lo" and not name.startswith("ky") for name in os.listdir("/sys/class/net")):
        raise SystemExit("softstream_arv.py opens sockets: run it inside scripts/netns-run")


def process_cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


def measure(softcam, pixel_format, packet_size, seconds):
    process = subprocess.Popen([softcam, "--fps", "0", "--width", str(WIDTH), "--height", str(HEIGHT),
                                "--pixel-format", pixel_format], stdout=subprocess.PIPE, text=True)
    try:
        while not process.stdout.readline().startswith("ready"):
            if process.poll() is not None:
                raise SystemExit("softcam did not start")
        camera = Aravis.Camera.new("127.0.0.1")
        camera.gv_set_packet_size(packet_size)
        payload = camera.get_payload()
        stream = camera.create_stream(None, None)
        for _ in range(32):
            stream.push_buffer(Aravis.Buffer.new_allocate(payload))
        camera.start_acquisition()
        completed = failed = 0
        last_id = None
        skipped = 0
        # Warm up, then count over a fixed wall-clock window.
        warm_end = time.monotonic() + 0.5
        while time.monotonic() < warm_end:
            buffer = stream.timeout_pop_buffer(200_000)
            if buffer is not None:
                stream.push_buffer(buffer)
        start_wall = time.monotonic()
        start_sender = process_cpu_seconds(process.pid)
        start_receiver = time.process_time()
        while time.monotonic() - start_wall < seconds:
            buffer = stream.timeout_pop_buffer(200_000)
            if buffer is None:
                continue
            if buffer.get_status() == Aravis.BufferStatus.SUCCESS:
                completed += 1
            else:
                failed += 1
            frame_id = buffer.get_frame_id()
            if last_id is not None and frame_id > last_id + 1:
                skipped += frame_id - last_id - 1
            last_id = frame_id
            stream.push_buffer(buffer)
        wall = time.monotonic() - start_wall
        sender_cpu = process_cpu_seconds(process.pid) - start_sender
        receiver_cpu = time.process_time() - start_receiver
        camera.stop_acquisition()
    finally:
        process.terminate()
        process.wait(timeout=10)
    frames = completed / wall
    print(f"{pixel_format:9} {packet_size:6} {frames:9.1f} {frames * payload / 1e6:9.1f} "
          f"{100 * sender_cpu / wall:8.1f} {100 * receiver_cpu / wall:8.1f} {failed:7} {skipped:8}", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0], prog="softstream_arv.py")
    parser.add_argument("softcam", help="the softcam program")
    parser.add_argument("seconds", nargs="?", type=float, default=3.0, help="seconds per row (default 3)")
    arguments = parser.parse_args()
    softcam, seconds = arguments.softcam, arguments.seconds
    if not 0 < seconds <= 3600:
        parser.error("seconds takes a number from 0 to 3600")
    require_private_network()
    global Aravis
    import gi
    gi.require_version("Aravis", "0.8")
    from gi.repository import Aravis
    print(f"softcam -> aravis receiver, {WIDTH}x{HEIGHT}, {seconds:.0f} s per row, loopback")
    print("format    packet  frames/s      MB/s  send CPU% recv CPU%  failed  skipped")
    for pixel_format, packet_size in CASES:
        measure(softcam, pixel_format, packet_size, seconds)
    return 0


if __name__ == "__main__":
    sys.exit(main())
