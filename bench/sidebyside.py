#!/usr/bin/python3
"""softcam's stream taken by our receiver (KyDeviceGEV + KyStreamGEV + KyPipeline, in
bench_sidebyside_receiver) and then by aravis's receiver (ArvCamera/ArvStream through its Python
binding), side by side: frames/s, MB/s of payload, receiver CPU % and CPU ms per frame, sender
CPU %, incomplete and lost frames, for 2448x2048 Mono8 and BayerRG8 with packets of 1500 and
9000 bytes. aravis runs twice: as it chooses (a packet socket where allowed) and on a plain UDP
socket as ours. softcam paces at 10 GigE line rate (1.19 GB/s of payload). CPU is user + system time
of each process (from /proc/<pid>/stat) over the receive window. The receivers take turns for a
number of rounds on the same stream and each row shows the median round (by CPU per frame), as
single runs on a shared machine differ widely. Each row also shows the rate the sender reached
(the block ids that went by in the receive window, whether taken whole, incomplete or lost): a
sender short of a core falls behind the rate it was asked for. Prints figures; asserts nothing.

Run inside a private network namespace:
  scripts/netns-run /usr/bin/python3 bench/sidebyside.py SOFTCAM RECEIVER [FRAMES [SECONDS [ROUNDS]]]
"""
import argparse
import os
import subprocess
import sys
import time

Aravis = None  # aravis's Python binding, imported once the command line is read

WIDTH, HEIGHT = 2448, 2048
PAYLOAD = WIDTH * HEIGHT
LINE_RATE = 1.19e9  # bytes of payload per second on 10 GigE
CASES = [("Mono8", 1500), ("Mono8", 9000), ("BayerRG8", 1500), ("BayerRG8", 9000)]
WARM_UP_FRAMES = 20
TICKS = os.sysconf("SC_CLK_TCK")


def process_cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


def start_softcam(softcam, pixel_format):
    fps = f"{LINE_RATE / PAYLOAD:.1f}"
    process = subprocess.Popen([softcam, "--fps", fps, "--width", str(WIDTH), "--height", str(HEIGHT),
                                "--pixel-format", pixel_format], stdout=subprocess.PIPE, text=True)
    while not process.stdout.readline().startswith("ready"):
        if process.poll() is not None:
            raise SystemExit("softcam did not start")
    return process


def ours(receiver, sender_pid, packet_size, frames, seconds):
    """Runs bench_sidebyside_receiver; returns its figures."""
    output = subprocess.run([receiver, "--packet-size", str(packet_size), "--frames", str(frames),
                             "--seconds", str(seconds), "--sender-pid", str(sender_pid)],
                            capture_output=True, text=True, timeout=seconds + 30)
    for line in output.stdout.splitlines():
        if line.startswith("result "):
            return {key: float(value) for key, value in (item.split("=") for item in line.split()[1:])}
    sys.stderr.write(output.stderr)
    return None


def aravis(sender_pid, packet_size, frames, seconds, udp_socket=False):
    """Takes the stream with aravis in this process; returns the same figures as ours(). Where
    this process may, aravis reads the stream through a packet socket ring, whose copy from the
    wire the kernel does in the sending process on loopback; udp_socket makes it read a plain
    UDP socket as ours does."""
    camera = Aravis.Camera.new("127.0.0.1")
    camera.gv_set_packet_size(packet_size)
    if udp_socket:
        camera.gv_set_stream_options(Aravis.GvStreamOption.PACKET_SOCKET_DISABLED)
    stream = camera.create_stream(None, None)
    for _ in range(16):
        stream.push_buffer(Aravis.Buffer.new_allocate(camera.get_payload()))
    camera.start_acquisition()
    whole = incomplete = 0
    first = last = None
    warm_up = WARM_UP_FRAMES
    start = time.monotonic()
    deadline = start + seconds
    while whole + incomplete < frames and time.monotonic() < deadline:
        buffer = stream.timeout_pop_buffer(1_000_000)
        if buffer is None:
            continue
        if warm_up > 0:
            warm_up -= 1
            if warm_up == 0:
                start = time.monotonic()
                ours0 = process_cpu_seconds(os.getpid())
                sender0 = process_cpu_seconds(sender_pid)
        else:
            if buffer.get_status() == Aravis.BufferStatus.SUCCESS:
                whole += 1
            else:
                incomplete += 1
            first = buffer.get_frame_id() if first is None else first
            last = buffer.get_frame_id()
        stream.push_buffer(buffer)
    window = time.monotonic() - start
    figures = None
    if warm_up == 0:
        received = whole + incomplete
        span = last - first + 1 if last >= first else last + 0xFFFF - first + 1
        figures = {"frames": whole, "incomplete": incomplete, "lost": max(0, span - received) if received else 0,
                   "seconds": window, "receiver_cpu": process_cpu_seconds(os.getpid()) - ours0,
                   "sender_cpu": process_cpu_seconds(sender_pid) - sender0}
    camera.stop_acquisition()
    del stream, camera
    return figures


def cpu_per_frame(f):
    received = f["frames"] + f["incomplete"]
    return f["receiver_cpu"] / received if received else float("inf")


def median(figures):
    """The round with the median CPU per frame; None when every round failed."""
    ok = sorted((f for f in figures if f is not None), key=cpu_per_frame)
    return ok[len(ok) // 2] if ok else None


def row(name, pixel_format, packet_size, f):
    if f is None:
        print(f"{pixel_format:9} {packet_size:6} {name:8} no figures (receiver failed)", flush=True)
        return
    seconds = f["seconds"] or 1.0
    received = f["frames"] + f["incomplete"]
    per_frame = 1000 * f["receiver_cpu"] / received if received else 0.0
    sent = (received + f["lost"]) / seconds
    print(f"{pixel_format:9} {packet_size:6} {name:8} {sent:7.1f} {f['frames'] / seconds:8.1f} "
          f"{f['frames'] * PAYLOAD / seconds / 1e6:8.1f} {100 * f['receiver_cpu'] / seconds:9.1f} "
          f"{per_frame:8.2f} {100 * f['sender_cpu'] / seconds:9.1f} {int(f['incomplete']):10} {int(f['lost']):5}",
          flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0], prog="sidebyside.py")
    parser.add_argument("softcam", help="the softcam program")
    parser.add_argument("receiver", help="the bench_sidebyside_receiver program")
    parser.add_argument("frames", nargs="?", type=int, default=600, help="frames per receiver and round (600)")
    parser.add_argument("seconds", nargs="?", type=float, default=10.0, help="at most this long per round (10)")
    parser.add_argument("rounds", nargs="?", type=int, default=5, help="rounds per row, median shown (5)")
    arguments = parser.parse_args()
    softcam, receiver = arguments.softcam, arguments.receiver
    frames, seconds, rounds = arguments.frames, arguments.seconds, arguments.rounds
    if not (1 <= frames <= 100000 and 0 < seconds <= 3600 and 1 <= rounds <= 100):
        parser.error("frames takes 1 to 100000, seconds 0 to 3600, rounds 1 to 100")
    global Aravis
    import gi
    gi.require_version("Aravis", "0.8")
    from gi.repository import Aravis
    print(f"softcam asked for {LINE_RATE / PAYLOAD:.1f} frames/s ({LINE_RATE / 1e9:.2f} GB/s, 10 GigE line rate), "
          f"{WIDTH}x{HEIGHT}, {frames} frames (at most {seconds:.0f} s) per receiver after {WARM_UP_FRAMES} warm-up "
          f"frames, loopback, median of {rounds} rounds")
    print("sent/s: the rate the sender reached in that row. aravis: aravis as it chooses (a packet socket ring "
          "where allowed);\narv-udp: aravis on a plain UDP socket (its packet socket switched off), as it reads without CAP_NET_RAW.")
    print("format    packet receiver  sent/s frames/s     MB/s recv CPU% CPU ms/fr send CPU% incomplete  lost")
    receivers = [("ours", lambda pid, size: ours(receiver, pid, size, frames, seconds)),
                 ("aravis", lambda pid, size: aravis(pid, size, frames, seconds)),
                 ("arv-udp", lambda pid, size: aravis(pid, size, frames, seconds, True))]
    for pixel_format, packet_size in CASES:
        process = start_softcam(softcam, pixel_format)
        try:
            figures = {name: [] for name, _ in receivers}
            for _ in range(rounds):
                for name, run in receivers:
                    figures[name].append(run(process.pid, packet_size))
                    time.sleep(0.3)
            for name, _ in receivers:
                row(name, pixel_format, packet_size, median(figures[name]))
        finally:
            process.terminate()
            process.wait(timeout=10)
    return 0


if __name__ == "__main__":
    sys.exit(main())
