#!/usr/bin/python3
"""softcam's 2448x2048 Mono8 stream taken by the same receive loop twice: once in Python through
the module (_tavro_python: KyStream_CreateAndOpen, RetrieveBuffer, each frame's pixels as a numpy
view of the image, QueueBuffer again) and once in C++ (bench_python_stream_loop), side by side:
frames/s, receiver CPU % and CPU ms per frame. CPU is the user and system time of the loop's
process over its window, the receive thread included. The loops take turns for a number of
rounds on the same stream and each row shows the median round (by CPU per frame). The last
column puts the Python loop's CPU per frame against C++'s. Prints figures; asserts nothing.

Run inside a private network namespace:
  scripts/netns-run /usr/bin/python3 bench/python_stream.py SOFTCAM LOOP [--frames N] [--seconds S]
      [--rounds R] [--fps F]
(PYTHONPATH must name the folder of the built module.)
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

WIDTH, HEIGHT = 2448, 2048
WARM_UP_FRAMES = 20
BUFFERS = 16
CAMERA_IP = "127.0.0.1"
# softcam's stream features of channel 0: a non-zero write starts or stops streaming.
ACQUISITION_START, ACQUISITION_STOP = 0x3FFF101C, 0x3FFF1020


def require_private_network():
    interfaces = set(os.listdir("/sys/class/net"))
    if any(name != "lo" and not name.startswith("ky") for name in interfaces):
        raise SystemExit("python_stream.py opens sockets: run it inside scripts/netns-run")


def python_loop(frames, seconds):
    """The Python receive loop; prints the same result line as the C++ one."""
    import _tavro_python as native
    import tavro_python as ky

    r, device = native.KyDevice_CreateAndConnect(CAMERA_IP)
    if not r.IsOK():
        raise SystemExit("connect failed: %s" % r.GetDescription())
    r, stream = native.KyStream_CreateAndOpen(CAMERA_IP)
    if not r.IsOK():
        raise SystemExit("stream open failed: %s" % r.GetDescription())
    payload = native.KyDevice_GetPayloadSize(device)
    buffers = []
    for _ in range(BUFFERS):
        buffer = ky.KyBuffer(ky.KyPayloadTypeImage)
        buffer.Alloc(payload)
        stream.QueueBuffer(buffer)
        buffers.append(buffer)
    device.SetStreamDestination(stream.GetLocalIPAddress(), stream.GetLocalPort())
    device.WriteRegister(ACQUISITION_START, 1)

    whole = incomplete = touched = 0
    warm_up = WARM_UP_FRAMES
    start = time.monotonic()
    cpu0 = time.process_time()
    deadline = start + seconds + 5
    while whole + incomplete < frames and time.monotonic() < deadline:
        result, buffer, operation = stream.RetrieveBuffer(1000)
        if buffer is None:
            continue
        pixels = buffer.GetImage().GetDataPointer()  # a view: no copy
        touched += int(pixels[0, 0]) + int(pixels[-1, -1])
        if warm_up > 0:
            warm_up -= 1
            if warm_up == 0:
                start = time.monotonic()
                cpu0 = time.process_time()
        else:
            if operation.IsOK():
                whole += 1
            else:
                incomplete += 1
            if time.monotonic() - start > seconds:
                break
        stream.QueueBuffer(buffer)
    window = time.monotonic() - start
    cpu = 0.0 if warm_up > 0 else time.process_time() - cpu0
    device.WriteRegister(ACQUISITION_STOP, 1)
    stream.AbortQueuedBuffers()
    while stream.GetQueuedBufferCount() > 0:
        if stream.RetrieveBuffer(1000)[1] is None:
            break
    native.KyStream_Free(stream)
    native.KyDevice_Free(device)
    print("result frames=%d incomplete=%d seconds=%.4f cpu=%.4f touched=%d"
          % (whole, incomplete, window, cpu, touched))


def parse(output):
    for line in output.splitlines():
        if line.startswith("result "):
            return {key: float(value) for key, value in (item.split("=") for item in line.split()[1:])}
    return None


def run_loop(command, seconds):
    done = subprocess.run(command, capture_output=True, text=True, timeout=seconds + 60)
    figures = parse(done.stdout)
    if figures is None:
        sys.stderr.write(done.stderr)
    return figures


def start_softcam(softcam, fps):
    process = subprocess.Popen([softcam, "--fps", str(fps), "--width", str(WIDTH), "--height", str(HEIGHT),
                                "--pixel-format", "Mono8"], stdout=subprocess.PIPE, text=True)
    while not process.stdout.readline().startswith("ready"):
        if process.poll() is not None:
            raise SystemExit("softcam did not start")
    return process


def row(name, rounds):
    rounds = [r for r in rounds if r and r["frames"] > 0]
    if not rounds:
        return None
    r = sorted(rounds, key=lambda f: f["cpu"] / f["frames"])[len(rounds) // 2]
    return {"name": name, "fps": r["frames"] / r["seconds"], "cpu_pct": 100 * r["cpu"] / r["seconds"],
            "ms_per_frame": 1000 * r["cpu"] / r["frames"], "incomplete": int(r["incomplete"]),
            "frames": int(r["frames"])}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("softcam", nargs="?")
    parser.add_argument("loop", nargs="?", help="bench_python_stream_loop")
    parser.add_argument("--frames", type=int, default=300, help="frames per round, 1 to 100000 (default 300)")
    parser.add_argument("--seconds", type=float, default=10, help="at most this long per round (default 10)")
    parser.add_argument("--rounds", type=int, default=3, help="rounds of each loop, 1 to 20 (default 3)")
    parser.add_argument("--fps", type=float, default=100, help="softcam's frame rate (default 100)")
    parser.add_argument("--python-loop", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if not (1 <= args.frames <= 100000 and 0.1 <= args.seconds <= 600 and 1 <= args.rounds <= 20
            and 0 < args.fps <= 1000):
        parser.error("a value out of range")
    require_private_network()
    if args.python_loop:
        python_loop(args.frames, args.seconds)
        return 0
    if not args.softcam or not args.loop:
        parser.error("SOFTCAM and LOOP are needed")
    sender = start_softcam(args.softcam, args.fps)
    try:
        cpp, python = [], []
        for _ in range(args.rounds):
            cpp.append(run_loop([args.loop, "--frames", str(args.frames), "--seconds", str(args.seconds),
                                 "--buffers", str(BUFFERS)], args.seconds))
            python.append(run_loop([sys.executable, os.path.abspath(__file__), "--python-loop", "--frames",
                                    str(args.frames), "--seconds", str(args.seconds)], args.seconds))
    finally:
        sender.terminate()
        sender.wait(timeout=10)
    rows = [row("C++ loop", cpp), row("Python loop (numpy views)", python)]
    print("softcam %dx%d Mono8 at %g frames/s, median of %d rounds of up to %d frames"
          % (WIDTH, HEIGHT, args.fps, args.rounds, args.frames))
    print("%-28s %10s %8s %12s %11s %9s" % ("loop", "frames/s", "CPU %", "CPU ms/frame", "incomplete", "vs C++"))
    for r in rows:
        if r is None:
            print("%-28s no frames" % "?")
            continue
        ratio = r["ms_per_frame"] / rows[0]["ms_per_frame"] if rows[0] and rows[0]["ms_per_frame"] else 0
        print("%-28s %10.1f %8.1f %12.3f %11d %8.2fx" % (r["name"], r["fps"], r["cpu_pct"], r["ms_per_frame"],
                                                         r["incomplete"], ratio))
    return 0


if __name__ == "__main__":
    sys.exit(main())
