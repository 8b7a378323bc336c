#!/usr/bin/python3
"""softcam's stream taken by our receiver (KyDeviceGEV + KyStreamGEV + KyPipeline, in
bench_sidebyside_receiver) and by aravis's receiver (ArvCamera/ArvStream through its Python
binding), side by side on the same receive path, for 2448x2048 Mono8 and BayerRG8 with packets of
1500 and 9000 bytes. softcam paces at 10 GigE line rate (1.19 GB/s of payload).

Each receiver reads the stream through each path:
  - ring: a packet socket ring (PACKET_RX_RING). Ours is asked for it through the stream's
    PacketRing parameter (2: wherever the process may, loopback included), aravis's takes it
    by itself where the process may. Needs CAP_NET_RAW: without it these rows are left out.
  - socket: a plain UDP socket. Ours with PacketRing 0, aravis's with its packet socket
    switched off (PACKET_SOCKET_DISABLED), as both read without CAP_NET_RAW.
Both receivers' socket buffers are 64 MiB (ours by default, aravis's set so).
The path column names the path the receiver was seen to use (ours reports its ring's size;
aravis's packet socket is looked up in the namespace's /proc/net/packet); a round on another
path than the one asked for is told under the row.

On loopback the kernel delivers each datagram in the sending process, and copies it into a
packet ring there too, so the sender's CPU changes with the receiver's path: each row shows the
receiver's, the sender's and the total CPU per frame. CPU is user + system time of each process
over the receive window (the receiver's own process; softcam's from /proc/<pid>/stat). The
receiver's CPU per frame is over the frames it took (whole or incomplete), the sender's over the
frames it sent in the window (the block ids that went by, whether taken whole, incomplete or
lost), the total is their sum; a sender short of a core falls behind the rate it was asked for
(sent/s). The receivers take turns for a number of rounds on the same stream, as single runs on
a shared machine differ widely; every column is the median of its own figures over the rounds
that took frames (their count in the rounds column). The last two columns put our receiver's and
total CPU per frame against aravis's on the same path.
Prints figures; asserts nothing.

Run inside a private network namespace:
  scripts/netns-run /usr/bin/python3 bench/sidebyside.py SOFTCAM RECEIVER [FRAMES [SECONDS [ROUNDS]]]
"""
import argparse
import os
import resource
import statistics
import subprocess
import sys
import time

Aravis = None  # aravis's Python binding, imported once the command line is read

WIDTH, HEIGHT = 2448, 2048
PAYLOAD = WIDTH * HEIGHT
LINE_RATE = 1.19e9  # bytes of payload per second on 10 GigE
LINE_RATE_FPS = LINE_RATE / PAYLOAD
# pixel format, packet size, width, height, frames/s. The small frames at a camera's usual rate
# show each receiver's fixed cost per frame (wake-ups, timers, hand-over), not its copy.
CASES = [("Mono8", 1500, WIDTH, HEIGHT, LINE_RATE_FPS), ("Mono8", 9000, WIDTH, HEIGHT, LINE_RATE_FPS),
         ("BayerRG8", 1500, WIDTH, HEIGHT, LINE_RATE_FPS), ("BayerRG8", 9000, WIDTH, HEIGHT, LINE_RATE_FPS),
         ("Mono8", 1500, 640, 480, 60.0), ("Mono8", 9000, 640, 480, 60.0)]
WARM_UP_FRAMES = 20
SOCKET_BUFFER_BYTES = 64 << 20  # both receivers' socket buffer (net.core.rmem_max in scripts/netns-run)
TICKS = os.sysconf("SC_CLK_TCK")
CAP_NET_RAW = 13


def require_private_network():
    """aravis's receiver runs in this process: only inside scripts/netns-run."""
    if any(name != "lo" and not name.startswith("ky") for name in os.listdir("/sys/class/net")):
        raise SystemExit("sidebyside.py opens sockets: run it inside scripts/netns-run")


def may_open_ring():
    """Whether this process (and so the receiver it starts) may open a packet socket."""
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("CapEff:"):
                return bool(int(line.split()[1], 16) >> CAP_NET_RAW & 1)
    return False


def packet_socket_open():
    """Whether this process holds a packet socket (one of its descriptors in /proc/net/packet)."""
    with open("/proc/net/packet") as table:
        inodes = {line.split()[-1] for line in list(table)[1:]}
    for fd in os.listdir("/proc/self/fd"):
        try:
            target = os.readlink(f"/proc/self/fd/{fd}")
        except OSError:
            continue  # closed meanwhile
        if target.startswith("socket:[") and target[8:-1] in inodes:
            return True
    return False


def process_cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


def load_average():
    with open("/proc/loadavg") as load:
        return " ".join(load.read().split()[:3])


def own_cpu_seconds():
    """This process's user and system time, finer than /proc's clock ticks."""
    usage = resource.getrusage(resource.RUSAGE_SELF)
    return usage.ru_utime + usage.ru_stime


def start_softcam(softcam, pixel_format, width, height, fps):
    process = subprocess.Popen([softcam, "--fps", f"{fps:.1f}", "--width", str(width), "--height", str(height),
                                "--pixel-format", pixel_format], stdout=subprocess.PIPE, text=True)
    while not process.stdout.readline().startswith("ready"):
        if process.poll() is not None:
            raise SystemExit("softcam did not start")
    return process


def ours(receiver, sender_pid, packet_size, frames, seconds, path):
    """Runs bench_sidebyside_receiver on the path; returns its figures and the path it read."""
    output = subprocess.run([receiver, "--packet-size", str(packet_size), "--frames", str(frames),
                             "--seconds", str(seconds), "--sender-pid", str(sender_pid), "--path", path],
                            capture_output=True, text=True, timeout=seconds + 30)
    for line in output.stdout.splitlines():
        if line.startswith("result "):
            figures = {key: float(value) for key, value in (item.split("=") for item in line.split()[1:])}
            figures["path"] = "ring" if figures["ring_bytes"] > 0 else "socket"
            return figures
    sys.stderr.write(output.stderr)
    return None


def aravis(sender_pid, packet_size, frames, seconds, path):
    """Takes the stream with aravis in this process; returns the same figures as ours(). aravis
    reads a packet socket ring where this process may, unless told not to."""
    camera = Aravis.Camera.new("127.0.0.1")
    camera.gv_set_packet_size(packet_size)
    if path == "socket":
        camera.gv_set_stream_options(Aravis.GvStreamOption.PACKET_SOCKET_DISABLED)
    stream = camera.create_stream(None, None)
    # The socket buffer ours takes (KyStreamGEV's default). Left alone, aravis keeps the system's
    # default, which a burst of one frame from softcam overflows: it then takes no frame whole.
    stream.set_property("socket-buffer", Aravis.GvStreamSocketBuffer.FIXED)
    stream.set_property("socket-buffer-size", SOCKET_BUFFER_BYTES)
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
                ours0 = own_cpu_seconds()
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
        receiver_cpu = own_cpu_seconds() - ours0
        sender_cpu = process_cpu_seconds(sender_pid) - sender0
        received = whole + incomplete
        span = 0
        if received:
            span = last - first + 1 if last >= first else last + 0xFFFF - first + 1
        figures = {"frames": whole, "incomplete": incomplete, "lost": max(0, span - received),
                   "seconds": window, "receiver_cpu": receiver_cpu, "sender_cpu": sender_cpu,
                   "path": "ring" if packet_socket_open() else "socket"}
    camera.stop_acquisition()
    del stream, camera
    return figures


COLUMNS = ["sent/s", "frames/s", "rcv CPU%", "snd CPU%", "rcv ms/fr", "snd ms/fr", "tot ms/fr", "incpl", "lost"]


def columns(f):
    """One round's figures as the table's columns; None when the round took no frame."""
    received = f["frames"] + f["incomplete"]
    sent = received + f["lost"]
    if received == 0 or f["seconds"] <= 0:
        return None
    receiver_ms = 1000 * f["receiver_cpu"] / received
    sender_ms = 1000 * f["sender_cpu"] / sent
    return {"sent/s": sent / f["seconds"], "frames/s": f["frames"] / f["seconds"],
            "rcv CPU%": 100 * f["receiver_cpu"] / f["seconds"], "snd CPU%": 100 * f["sender_cpu"] / f["seconds"],
            "rcv ms/fr": receiver_ms, "snd ms/fr": sender_ms, "tot ms/fr": receiver_ms + sender_ms,
            "incpl": f["incomplete"], "lost": f["lost"]}


def medians(rounds):
    """Each column's median over the rounds that took frames; None when none did."""
    taken = [c for c in (columns(f) for f in rounds if f is not None) if c is not None]
    if not taken:
        return None
    return {name: statistics.median(c[name] for c in taken) for name in COLUMNS} | {"rounds": len(taken)}


def row(image, packet_size, path, name, rounds, figures, versus):
    head = f"{image:18} {packet_size:6} {path:6} {name:8}"
    if figures is None:
        print(f"{head} no figures (no round took a frame)", flush=True)
        return
    ratios = ""
    if versus is not None:
        ratios = "".join(f" {figures[c] / versus[c]:9.2f}x" if versus[c] > 0 else f" {'-':>10}"
                         for c in ("rcv ms/fr", "tot ms/fr"))
    print(f"{head} {figures['rounds']:6} {figures['sent/s']:7.1f} {figures['frames/s']:8.1f} "
          f"{figures['rcv CPU%']:8.1f} {figures['snd CPU%']:8.1f} {figures['rcv ms/fr']:9.2f} "
          f"{figures['snd ms/fr']:9.2f} {figures['tot ms/fr']:9.2f} {figures['incpl']:6g} {figures['lost']:6g}"
          f"{ratios}", flush=True)
    off_path = sum(1 for f in rounds if f is not None and f["path"] != path)
    if off_path:
        print(f"{'':26}! {name} read another path than {path} in {off_path} of {len(rounds)} rounds", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0], prog="sidebyside.py")
    parser.add_argument("softcam", help="the softcam program")
    parser.add_argument("receiver", help="the bench_sidebyside_receiver program")
    parser.add_argument("frames", nargs="?", type=int, default=600, help="frames per receiver and round (600)")
    parser.add_argument("seconds", nargs="?", type=float, default=10.0, help="at most this long per round (10)")
    parser.add_argument("rounds", nargs="?", type=int, default=5, help="rounds per row, medians shown (5)")
    arguments = parser.parse_args()
    softcam, receiver = arguments.softcam, arguments.receiver
    frames, seconds, rounds = arguments.frames, arguments.seconds, arguments.rounds
    if not (1 <= frames <= 100000 and 0 < seconds <= 3600 and 1 <= rounds <= 100):
        parser.error("frames takes 1 to 100000, seconds 0 to 3600, rounds 1 to 100")
    require_private_network()
    global Aravis
    import gi
    gi.require_version("Aravis", "0.8")
    from gi.repository import Aravis
    paths = ["ring", "socket"] if may_open_ring() else ["socket"]
    print(f"softcam asked for {LINE_RATE_FPS:.1f} frames/s of {WIDTH}x{HEIGHT} ({LINE_RATE / 1e9:.2f} GB/s, 10 GigE "
          f"line rate) and for 60 frames/s of 640x480, {frames} frames (at most {seconds:.0f} s) per receiver after "
          f"{WARM_UP_FRAMES} warm-up "
          f"frames, loopback; each column the median of {rounds} rounds; load average {load_average()}")
    if "ring" not in paths:
        print("ring rows left out: this process lacks CAP_NET_RAW, so both receivers read a UDP socket")
    print("path: ring = packet socket ring, socket = UDP socket; CPU per frame: rcv over the frames taken, snd over "
          "the frames sent,\ntot their sum; vs arv: ours against aravis's on the same path (receiver, total)")
    print(f"{'image':18} {'packet':>6} {'path':6} {'receiver':8} {'rounds':>6} {'sent/s':>7} {'frames/s':>8} "
          f"{'rcv CPU%':>8} {'snd CPU%':>8} {'rcv ms/fr':>9} {'snd ms/fr':>9} {'tot ms/fr':>9} {'incpl':>6} "
          f"{'lost':>6} {'rcv vs arv':>10} {'tot vs arv':>10}")
    receivers = [("ours", lambda pid, size, path: ours(receiver, pid, size, frames, seconds, path)),
                 ("aravis", lambda pid, size, path: aravis(pid, size, frames, seconds, path))]
    for pixel_format, packet_size, width, height, fps in CASES:
        process = start_softcam(softcam, pixel_format, width, height, fps)
        try:
            figures = {(path, name): [] for path in paths for name, _ in receivers}
            for _ in range(rounds):
                for path in paths:
                    for name, run in receivers:
                        figures[(path, name)].append(run(process.pid, packet_size, path))
                        time.sleep(0.3)
            for path in paths:
                mine, theirs = medians(figures[(path, "ours")]), medians(figures[(path, "aravis")])
                image = f"{pixel_format} {width}x{height}"
                row(image, packet_size, path, "ours", figures[(path, "ours")], mine, theirs)
                row(image, packet_size, path, "aravis", figures[(path, "aravis")], theirs, None)
        finally:
            process.terminate()
            process.wait(timeout=10)
    print(f"load average at the end {load_average()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
