"""The option tables of the kit's programs (kydemo, softcam, the benchmarks) and scripts (scripts/,
the benchmarks' Python scripts): help, unknown option, missing value and bad value. These programs
broadcast on every interface, so none of these paths may touch the network: the tests run in a
network namespace of their own where not even lo is up, and, with strace, assert that no internet
or packet socket was opened (and that nothing was installed, built or started).

Environment: KY_BIN_DIR (the build's bin folder), KY_SOURCE_DIR, KY_STRACE (empty: no tracing),
KY_BENCH_PROGRAMS (the benchmark programs the build made, separated by blanks).
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


def check_first(result, status, first, usage):
    """As check, with `first` a test of the first line of what was shown."""
    code, out, err, trace = result
    assert code == status, (out, err)
    shown, quiet = (out, err) if status == 0 else (err, out)
    assert shown and first(shown.splitlines()[0]), shown
    assert usage in shown
    assert quiet == ""
    assert network_sockets(trace) == []


# The benchmarks (each with an option that takes a value, if it has one). Every benchmark the build
# made must be here (KY_BENCH_PROGRAMS); those whose peer is missing were not built and are skipped.
BENCH_OPTIONS = {
    "bench_bayer_convert": "--seconds",
    "bench_camctrl_grab": "--seconds",
    "bench_compression": "--seconds",
    "bench_genicam_nodemap": None,
    "bench_gvsp_loopback": "--frames",
    "bench_gvsp_tracker": "--frames",
    "bench_python_stream_loop": "--frames",
    "bench_sidebyside_receiver": "--frames",
    "bench_stream_arv": "--seconds",
    "bench_stream_pipeline": "--frames",
    "bench_u3v_stream": "--frames",
}
BENCH_BUILT = os.environ.get("KY_BENCH_PROGRAMS", "").split()


def bench_cases():
    for program, option in sorted(BENCH_OPTIONS.items()):
        yield program, "help", ["--help"], 0, lambda line, p=program: line.startswith("Usage: " + p)
        yield program, "short help after a typo", ["--bogus", "-h"], 0, \
            lambda line, p=program: line.startswith("Usage: " + p)
        yield program, "unknown option", ["--bogus"], 2, \
            lambda line, p=program: line == p + ": unknown option '--bogus'"
        if option is None:
            yield program, "stray word", ["frames"], 2, \
                lambda line, p=program: line == p + ": unexpected word 'frames'"
            continue
        yield program, "missing value", [option], 2, \
            lambda line, p=program, o=option: line == "%s: %s needs a value" % (p, o)
        yield program, "bad value", [option, "abc"], 2, \
            lambda line, p=program, o=option: line.startswith("%s: %s takes a " % (p, o)) and "'abc'" in line


BENCH = list(bench_cases())


def test_every_benchmark_is_in_the_table():
    if not BENCH_BUILT:
        pytest.skip("the build has no benchmarks (KY_BUILD_BENCH=OFF)")
    assert sorted(set(BENCH_BUILT) - set(BENCH_OPTIONS)) == []


@pytest.mark.parametrize("program,name,args,status,first", BENCH, ids=["%s %s" % row[:2] for row in BENCH])
def test_benchmark_options(tmp_path, program, name, args, status, first):
    if program not in BENCH_BUILT:
        pytest.skip(program + " is not built (its peer is missing)")
    result = run([os.path.join(BIN, program), *args], tmp_path)
    check_first(result, status, first, "Usage: " + program)
    if STRACE:  # nothing started either (softcam for the benchmarks that run one)
        assert programs_run(result[3]) == {program}, programs_run(result[3])


# The benchmarks that are Python scripts (run by their build targets, which give them the programs
# they take): argparse's help and errors.
BENCH_SCRIPTS = {
    # script: (the programs it takes, a value it does not take)
    "softstream_arv.py": (["softcam"], ["abc"]),
    "python_stream.py": (["softcam", "loop"], ["--frames", "abc"]),
    "python_source.py": (["softcam", "loop"], ["--frames", "abc"]),
    "sidebyside.py": (["softcam", "receiver"], ["abc"]),
}
BENCH_SCRIPT_ROWS = [row for script, (programs, bad) in sorted(BENCH_SCRIPTS.items()) for row in [
    (script, "help", ["--help"], 0),
    (script, "unknown option", [*programs, "--bogus"], 2),
    (script, "bad value", [*programs, *bad], 2),
]]


@pytest.mark.parametrize("script,name,args,status", BENCH_SCRIPT_ROWS,
                         ids=["%s %s" % row[:2] for row in BENCH_SCRIPT_ROWS])
def test_benchmark_script_options(tmp_path, script, name, args, status):
    result = run(["/usr/bin/python3", os.path.join(SOURCE, "bench", script), *args], tmp_path)
    check_first(result, status, lambda line: line.startswith("usage: "), "usage: ")
    if status:
        assert ": error: " in result[2].splitlines()[-1], result[2]
    if STRACE:
        assert programs_run(result[3]) <= {"python3", "python3.11"}, programs_run(result[3])


# The kit's scripts: help, and errors, before anything is installed, built or started.
SCRIPTS = [
    # (script, name, arguments, exit status, first line)
    ("test", "help", ["--help"], 0, "Usage: scripts/test [--sanitize|--tsan|--all] [-- ctest args]"),
    ("test", "help after an option", ["--tsan", "-h"], 0, "Usage: scripts/test [--sanitize|--tsan|--all] [-- ctest args]"),
    ("test", "unknown option", ["--sanitise"], 2, "test: unknown option '--sanitise'"),
    ("test", "stray word", ["plain"], 2, "test: unexpected word 'plain'"),
    ("fuzz", "help", ["--help"], 0, "Usage: scripts/fuzz --list | TARGET|all [SECONDS]"),
    ("fuzz", "no target", [], 2, "fuzz: needs a target (--list names them)"),
    ("fuzz", "unknown option", ["--bogus"], 2, "fuzz: unknown option '--bogus'"),
    ("fuzz", "unknown target", ["gvcpp"], 2, "fuzz: no target 'gvcpp'"),
    ("fuzz", "bad time", ["gvcp", "1m"], 2, "fuzz: SECONDS takes a whole number from 1, not '1m'"),
    ("fuzz", "unbounded time", ["gvcp", "0"], 2, "fuzz: SECONDS takes a whole number from 1, not '0'"),
    ("format", "help", ["-h"], 0, "Usage: scripts/format [--check]"),
    ("format", "unknown option", ["--chek"], 2, "format: unknown option '--chek'"),
    ("netns-run", "help", ["--help"], 0, "Usage: scripts/netns-run [--adapters N] CMD [ARGS...]"),
    ("netns-run", "unknown option", ["--adaptors", "1", "true"], 2, "netns-run: unknown option '--adaptors'"),
    ("netns-run", "missing value", ["--adapters"], 2, "netns-run: --adapters needs a value"),
    ("netns-run", "bad value", ["--adapters", "10", "true"], 2,
     "netns-run: --adapters takes a whole number from 0 to 9, not '10'"),
    ("netns-run", "no command", ["--adapters", "1"], 2, "netns-run: needs a command"),
    ("install-deps", "help", ["--help"], 0, "Usage: scripts/install-deps [--tests] [--bench] [--fuzz] [--list]"),
    ("install-deps", "unknown option", ["--test"], 2, "install-deps: unknown option '--test'"),
]


@pytest.mark.parametrize("script,name,args,status,first", SCRIPTS, ids=["%s %s" % row[:2] for row in SCRIPTS])
def test_script_options(tmp_path, script, name, args, status, first):
    result = run([os.path.join(SOURCE, "scripts", script), *args], tmp_path)
    usage = "Usage: scripts/" + script
    check(result, status, first, usage)
    if STRACE:
        started = programs_run(result[3]) - {script}
        assert not started & {"apt-get", "cmake", "ctest", "clang-format", "unshare", "install-deps", "true"}, started
