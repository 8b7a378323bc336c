"""The option tables of kydemo, softcam and scripts/demo: help, unknown option, missing value and
bad value. These programs broadcast on every interface, so none of these paths may touch the
network: the tests run in a network namespace of their own where not even lo is up, and, with
strace, assert that no internet or packet socket was opened (and, for the demo, that nothing was
built or started).

Environment: KY_BIN_DIR (the build's bin folder), KY_SOURCE_DIR, KY_STRACE (empty: no tracing).
"""
import fcntl
import os
import re
import socket
import struct
import subprocess

import pytest

BIN = os.environ["KY_BIN_DIR"]
SOURCE = os.environ["KY_SOURCE_DIR"]
STRACE = os.environ.get("KY_STRACE", "")


def lo_is_up():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        request = struct.pack("256s", b"lo")
        flags = struct.unpack("H", fcntl.ioctl(probe.fileno(), 0x8913, request)[16:18])[0]  # SIOCGIFFLAGS
    return bool(flags & 1)


# Never run these programs where a network is reachable.
if [name for _, name in socket.if_nameindex()] != ["lo"] or lo_is_up():
    raise SystemExit("run these tests in a network namespace of their own without lo up (unshare -n)")


def run(argv, tmp_path, env=None):
    """Runs argv (under strace when there is one); returns (status, stdout, stderr, trace lines)."""
    trace = tmp_path / "trace"
    command = ([STRACE, "-f", "-qq", "-e", "trace=socket,execve", "-o", str(trace)] if STRACE else []) + argv
    env = {**os.environ, **(env or {})}
    if STRACE:  # the sanitizer build's leak checker cannot run under ptrace
        env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":detect_leaks=0"
    proc = subprocess.run(command, capture_output=True, text=True, timeout=60, env=env)
    lines = trace.read_text().splitlines() if STRACE else []
    return proc.returncode, proc.stdout, proc.stderr, lines


def network_sockets(trace):
    return [line for line in trace if re.search(r"socket\(AF_(INET6?|PACKET)\b", line)]


def programs_run(trace):
    """Base names of the programs that were started (successful execve calls, also those that
    strace shows interrupted by another process and resumed)."""
    started, pending = set(), {}
    for line in trace:
        pid = line.split(" ", 1)[0]
        if m := re.search(r'execve\("([^"]+)"', line):
            if line.endswith("<unfinished ...>"):
                pending[pid] = m.group(1)
            elif line.endswith("= 0"):
                started.add(os.path.basename(m.group(1)))
        elif "<... execve resumed>" in line and line.endswith("= 0") and pid in pending:
            started.add(os.path.basename(pending.pop(pid)))
    return started


def check(result, status, first_line, usage):
    code, out, err, trace = result
    assert code == status, (out, err)
    shown, quiet = (out, err) if status == 0 else (err, out)
    assert shown.splitlines()[0] == first_line
    assert usage in shown
    assert quiet == ""
    assert network_sockets(trace) == []


KYDEMO_USAGE = "Usage: kydemo [--output DIR] [--frames N]\n"
KYDEMO = [
    # (name, arguments, exit status, first line)
    ("help", ["--help"], 0, KYDEMO_USAGE.rstrip()),
    ("short help", ["-h"], 0, KYDEMO_USAGE.rstrip()),
    ("help after a typo", ["--bogus", "--help"], 0, KYDEMO_USAGE.rstrip()),
    ("unknown option", ["--help-me"], 2, "kydemo: unknown option '--help-me'"),
    ("stray word", ["frames"], 2, "kydemo: unexpected word 'frames'"),
    ("missing value", ["--output", "x", "--frames"], 2, "kydemo: --frames needs a value"),
    ("bad value", ["--frames", "ten"], 2, "kydemo: --frames takes a whole number from 1 to 100000, not 'ten'"),
    ("value below the range", ["--frames", "0"], 2, "kydemo: --frames takes a whole number from 1 to 100000, not 0"),
    ("value with a tail", ["--frames", "10x"], 2,
     "kydemo: --frames takes a whole number from 1 to 100000, not '10x'"),
]


@pytest.mark.parametrize("name,args,status,first", KYDEMO, ids=[row[0] for row in KYDEMO])
def test_kydemo_options(tmp_path, name, args, status, first):
    check(run([os.path.join(BIN, "kydemo"), *args], tmp_path), status, first, KYDEMO_USAGE)


SOFTCAM_USAGE = ("Usage: softcam [--adapter NAME|MAC [--ip ADDRESS] [IDENTITY...] [--apply-forced-ip] [--zip-xml]"
                 " [--u3v GUID]]...")
SOFTCAM = [
    ("help", ["--help"], 0, SOFTCAM_USAGE),
    ("short help", ["--adapter", "lo", "-h"], 0, SOFTCAM_USAGE),
    ("unknown option", ["--bogus"], 2, "softcam: unknown option '--bogus'"),
    ("missing value", ["--pixel-format", "Mono8", "--adapter"], 2, "softcam: --adapter needs a value"),
    ("width not a number", ["--width", "wide"], 2,
     "softcam: --width takes a whole number from 1 to 4294967295, not 'wide'"),
    ("width beyond the sensor", ["--width", "70000"], 2, None),
    ("rate below zero", ["--fps", "-1"], 2, "softcam: --fps takes a number from 0 to 100000, not -1"),
    ("unknown pixel format", ["--pixel-format", "RGB8"], 2,
     "softcam: --pixel-format takes one of Mono8, BayerGR8, BayerRG8, BayerGB8, BayerBG8, not 'RGB8'"),
    ("drop fraction above one", ["--test-drop", "1.5"], 2, "softcam: --test-drop takes a number from 0 to 1, not 1.5"),
    ("serial too long", ["--serial", "SERIAL-1234567890"], 2, "softcam: --serial takes 15 characters at most, not 17"),
    ("short USB3 Vision GUID", ["--u3v", "12345"], 2, "softcam: --u3v takes 12 hexadecimal digits, not '12345'"),
    ("USB3 Vision GUID not hex", ["--u3v", "00000000000G"], 2,
     "softcam: --u3v takes 12 hexadecimal digits, not '00000000000G'"),
    # The second camera's value is refused before the first camera starts.
    ("bad value of a later camera", ["--adapter", "lo", "--width", "64", "--adapter", "lo", "--height", "x"], 2,
     "softcam: --height takes a whole number from 1 to 4294967295, not 'x'"),
]


@pytest.mark.parametrize("name,args,status,first", SOFTCAM, ids=[row[0] for row in SOFTCAM])
def test_softcam_options(tmp_path, name, args, status, first):
    result = run([os.path.join(BIN, "softcam"), *args], tmp_path)
    if first is None:  # the source's own refusal: its text is the source's
        first = result[2].splitlines()[0] if result[2] else ""
        assert first.startswith("softcam: --width refused: ")
    check(result, status, first, SOFTCAM_USAGE)


DEMO = [
    ("help", ["--help"], 0, "Usage: scripts/demo [softcam options...]"),
    ("short help among softcam options", ["--width", "320", "-h"], 0, "Usage: scripts/demo [softcam options...]"),
    ("unknown option", ["--widht", "320"], 2, "softcam: unknown option '--widht'"),
    ("missing value", ["--height"], 2, "softcam: --height needs a value"),
    ("bad value", ["--fps", "fast"], 2, "softcam: --fps takes a number from 0 to 100000, not 'fast'"),
]


@pytest.mark.parametrize("name,args,status,first", DEMO, ids=[row[0] for row in DEMO])
def test_demo_options(tmp_path, name, args, status, first):
    demo = os.path.join(SOURCE, "scripts", "demo")
    # Help is asked of the demo as a user runs it: it must neither install, build nor start anything.
    env = {} if status == 0 else {"KY_DEMO_BIN": BIN}
    result = run([demo, *args], tmp_path, env)
    check(result, status, first, "Usage: scripts/demo" if status == 0 else SOFTCAM_USAGE)
    if STRACE:
        started = programs_run(result[3])
        if status == 0:
            assert started <= {"demo", "bash", "dirname", "cat"}, started
        else:
            assert "softcam" in started and "kydemo" not in started, started
            assert not started & {"cmake", "apt-get", "install-deps"}, started
