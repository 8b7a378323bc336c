"""Helpers of the device tests: the cameras they start (softcam, tests/common/softcam_process.py),
and bounded waits."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "common"))
from softcam_process import SoftCameras  # noqa: E402,F401  (the device tests start it from here)


# One camera on each adapter; the second lets FORCEIP change its address.
CAMERA_1 = ["--adapter", "kyc1", "--ip", "10.10.1.2", "--model", "PyModelA", "--serial", "PA0001"]
CAMERA_2 = ["--adapter", "kyc2", "--ip", "10.10.2.2", "--model", "PyModelB", "--serial", "PB0002",
            "--apply-forced-ip"]


def wait_for(condition, seconds=20):
    """Polls until condition() is true; the bound only ends a hang."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.02)
    return condition()


def find_until(system, condition, seconds=20):
    """Discovers again until condition() holds after a round: on a loaded machine a camera's answer
    can miss one detection time-out. The bound only ends a hang."""
    deadline = time.monotonic() + seconds
    while True:
        if system.Find().IsOK() and condition():
            return True
        if time.monotonic() >= deadline:
            return False


def accept_local_sources(*interfaces):
    """Generator for a module fixture: both ends of each link are local to this namespace, so a
    datagram from kyc<i> reaches kyh<i> with a local source address, which the kernel drops unless
    told otherwise (namespace only). Sets accept_local on the interfaces (and "all") until the
    fixture ends, then puts back what was there, for the later modules."""
    keys = ["net.ipv4.conf.%s.accept_local" % conf for conf in ("all",) + interfaces]
    before = [subprocess.run(["sysctl", "-n", key], check=True, capture_output=True, text=True).stdout.strip()
              for key in keys]
    for key in keys:
        subprocess.run(["sysctl", "-qw", key + "=1"], check=True)
    yield
    for key, value in zip(keys, before):
        subprocess.run(["sysctl", "-qw", "%s=%s" % (key, value)], check=True)
