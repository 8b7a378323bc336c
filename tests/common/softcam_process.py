"""softcam as a separate process, for the Python suites that run it inside the private namespace
of scripts/netns-run (the module's device tests, the IP tool's end-to-end tests). Its cameras
answer discovery on every adapter they are given: start it nowhere else."""
import os
import subprocess
import time

BIN = os.environ.get("KY_BIN_DIR", "build/bin")


class SoftCameras:
    """softcam with the given arguments; its cameras answer from the line "ready" until stop()
    or kill(). `lines` holds what it printed up to "ready"."""

    def __init__(self, *args, start_seconds=20):
        self.proc = subprocess.Popen([os.path.join(BIN, "softcam"), *args], stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, text=True)
        self.lines = []
        deadline = time.monotonic() + start_seconds
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
        """Ends the process at once, as a camera that loses power."""
        self.proc.kill()
        self.proc.wait()

    def stop(self):
        """Stops the cameras; returns what they printed after "ready" (empty once read)."""
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.kill()
        if self.proc.stdout.closed:
            return ""
        printed = self.proc.stdout.read()
        self.proc.stdout.close()
        return printed
