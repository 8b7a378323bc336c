"""Helpers of the device tests: soft cameras as a separate process, and bounded waits."""
import os
import subprocess
import time

BIN = os.environ.get("KY_BIN_DIR", "build/bin")


class SoftCameras:
    """softcam as a separate process; its cameras answer until stop() or kill()."""

    def __init__(self, *args):
        self.proc = subprocess.Popen([os.path.join(BIN, "softcam"), *args], stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, text=True)
        self.lines = []
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            line = self.proc.stdout.readline()
            if not line:
                break
            self.lines.append(line.rstrip("\n"))
            if line.strip() == "ready":
                return
        self.stop()
        raise RuntimeError("softcam did not start: %r" % self.lines)

    def kill(self):
        self.proc.kill()
        self.proc.wait()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.kill()
        self.proc.stdout.close()


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
