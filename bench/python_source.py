#!/usr/bin/python3
"""The frame rate a streaming channel source written in Python sustains, side by side with the
native test-pattern source (KyStreamingChannelSourceTestPattern, as softcam runs it), at
1280x1024 Mono8, each sending as fast as the receiver takes the frames. The receiver is our own
(bench_python_stream_loop: KyDeviceGEV and KyStreamGEV in a process of their own). The Python
rows run the soft device in this interpreter with a Python subclass of
KyStreamingChannelSourceDefault:
  - "Python, buffers as drawn": each buffer is drawn once, then handed back as it is: what is
    left is the forwarding of QueueBuffer, RetrieveBuffer and the loop's hooks into Python;
  - "Python, numpy copy per frame": each frame is copied into the buffer from one of 8 drawn
    frames with numpy, as a source that renders its images would.
Per row: frames/s at the receiver, the sending process's CPU (% of one core and ms per frame:
user and system time of softcam, or of this interpreter with the device's threads), incomplete
frames, and the sender's CPU per frame against the native source's. Each row is the median of
its rounds (by sender CPU per frame). Prints figures; asserts nothing.

Run inside a private network namespace:
  scripts/netns-run /usr/bin/python3 bench/python_source.py SOFTCAM LOOP [--frames N] [--seconds S]
      [--rounds R]
(PYTHONPATH must name the folder of the built module.)
"""
import argparse
import collections
import os
import subprocess
import sys
import time

WIDTH, HEIGHT = 1280, 1024
BUFFERS = 16
LOOPBACK_MAC = "00:00:00:00:00:00"


def require_private_network():
    interfaces = set(os.listdir("/sys/class/net"))
    if any(name != "lo" and not name.startswith("ky") for name in interfaces):
        raise SystemExit("python_source.py opens sockets: run it inside scripts/netns-run")


def parse(output):
    for line in output.splitlines():
        if line.startswith("result "):
            return {key: float(value) for key, value in (item.split("=") for item in line.split()[1:])}
    return None


def cpu_of(pid):
    """User and system seconds of a process, from /proc."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def own_cpu():
    times = os.times()
    return times.user + times.system


def receive(loop, frames, seconds, sender_cpu):
    """Runs the receive loop once; its figures with the sender's CPU over the same run."""
    cpu0, wall0 = sender_cpu(), time.monotonic()
    done = subprocess.run([loop, "--frames", str(frames), "--seconds", str(seconds), "--buffers", str(BUFFERS)],
                          capture_output=True, text=True, timeout=seconds + 60)
    sent_cpu, wall = sender_cpu() - cpu0, time.monotonic() - wall0
    figures = parse(done.stdout)
    if figures is None:
        sys.stderr.write(done.stderr)
        return None
    # The loop's window leaves out its warm-up frames; the sender's CPU covers the whole run, so
    # it is put against every frame the loop saw (its frames and warm-up).
    figures["sender_cpu"] = sent_cpu
    figures["sender_seconds"] = wall
    figures["sender_frames"] = figures["frames"] + figures["incomplete"] + 20
    return figures


def native_rounds(softcam, loop, args):
    process = subprocess.Popen([softcam, "--fps", "0", "--width", str(WIDTH), "--height", str(HEIGHT),
                                "--pixel-format", "Mono8"], stdout=subprocess.PIPE, text=True)
    try:
        while not process.stdout.readline().startswith("ready"):
            if process.poll() is not None:
                raise SystemExit("softcam did not start")
        return [receive(loop, args.frames, args.seconds, lambda: cpu_of(process.pid)) for _ in range(args.rounds)]
    finally:
        process.terminate()
        process.wait(timeout=10)


def python_rounds(loop, args, copy_per_frame):
    import numpy
    import _tavro_python as native
    import tavro_python as ky

    y, x = numpy.mgrid[0:HEIGHT, 0:WIDTH]
    drawn = [((x * 7 + y * 3 + n * 11) % 251).astype(numpy.uint8) for n in range(8)]

    class Source(ky.KyStreamingChannelSourceDefault):
        def __init__(self):
            super().__init__(WIDTH, HEIGHT, ky.KyPixelMono8, BUFFERS)
            self.queue = collections.deque()
            self.frame = 0
            self.ready = set()

        def QueueBuffer(self, buffer):
            self.queue.append(buffer)
            return ky.KY_OK

        def RetrieveBuffer(self, notused):
            if not self.queue:
                return (ky.KY_TIMEOUT, None)
            buffer = self.queue.popleft()
            if copy_per_frame or buffer not in self.ready:
                image = native.KyBuffer_GetImage(buffer)
                numpy.copyto(native.IKyImage_GetDataPointer(image), drawn[self.frame % len(drawn)])
                self.ready.add(buffer)
            self.frame += 1
            return (ky.KY_OK, buffer)

    source = Source()
    device = ky.KySoftDeviceGEV()
    native.KySoftDeviceGEV_AddStream(device, source)
    started = native.KySoftDeviceGEV_Start(device, LOOPBACK_MAC)
    if not started.IsOK():
        raise SystemExit("the soft device did not start: %s" % started.GetDescription())
    try:
        return [receive(loop, args.frames, args.seconds, own_cpu) for _ in range(args.rounds)]
    finally:
        native.KySoftDeviceGEV_Stop(device)


def row(name, rounds):
    rounds = [r for r in rounds if r and r["frames"] > 0]
    if not rounds:
        return {"name": name}
    r = sorted(rounds, key=lambda f: f["sender_cpu"] / f["sender_frames"])[len(rounds) // 2]
    return {"name": name, "fps": r["frames"] / r["seconds"], "cpu_pct": 100 * r["sender_cpu"] / r["sender_seconds"],
            "ms_per_frame": 1000 * r["sender_cpu"] / r["sender_frames"], "incomplete": int(r["incomplete"])}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("softcam")
    parser.add_argument("loop", help="bench_python_stream_loop")
    parser.add_argument("--frames", type=int, default=600, help="frames per round, 1 to 100000 (default 600)")
    parser.add_argument("--seconds", type=float, default=5, help="at most this long per round (default 5)")
    parser.add_argument("--rounds", type=int, default=3, help="rounds of each source, 1 to 20 (default 3)")
    args = parser.parse_args()
    if not (1 <= args.frames <= 100000 and 0.1 <= args.seconds <= 600 and 1 <= args.rounds <= 20):
        parser.error("a value out of range")
    require_private_network()
    rows = [row("native test-pattern source", native_rounds(args.softcam, args.loop, args)),
            row("Python, buffers as drawn", python_rounds(args.loop, args, False)),
            row("Python, numpy copy per frame", python_rounds(args.loop, args, True))]
    print("%dx%d Mono8 sent as fast as our receiver takes it (KyStreamGEV, another process), "
          "median of %d rounds of up to %d frames" % (WIDTH, HEIGHT, args.rounds, args.frames))
    print("%-30s %10s %11s %15s %11s %10s" % ("source", "frames/s", "sender CPU%", "sender ms/frame",
                                              "incomplete", "vs native"))
    native_ms = rows[0].get("ms_per_frame")
    for r in rows:
        if "fps" not in r:
            print("%-30s no frames" % r["name"])
            continue
        ratio = "%9.2fx" % (r["ms_per_frame"] / native_ms) if native_ms else "%10s" % "-"
        print("%-30s %10.1f %11.1f %15.3f %11d %s" % (r["name"], r["fps"], r["cpu_pct"], r["ms_per_frame"],
                                                     r["incomplete"], ratio))
    return 0


if __name__ == "__main__":
    sys.exit(main())
