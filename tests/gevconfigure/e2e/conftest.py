"""Fixtures for running bnkGEVConfigure against soft cameras.

Runs only inside the private namespace that scripts/netns-run makes with --adapters 2:
kyh1/kyh2 are the host's adapters, the cameras live on kyc1/kyc2.
"""
import os
import subprocess
import sys
import time

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "common"))
import softcam_process  # noqa: E402

BIN = os.environ.get("KY_BIN_DIR", "build/bin")
HINT = "Try 'bnkGEVConfigure --help' for more information.\n"


def run_tool(*args):
    proc = subprocess.run([os.path.join(BIN, "bnkGEVConfigure"), *args], capture_output=True, text=True,
                          timeout=60)
    assert proc.stderr == ""
    return proc.returncode, proc.stdout


NO_DEVICE = "No connected devices found!!\n"


def run_tool_with_cameras(*args, devices=None, seconds=30):
    """run_tool where cameras are present: on a loaded machine an answer can miss the tool's
    discovery round, so a run that found no camera (or not the `devices` a listing expects) is
    repeated; such a run has changed nothing. The bound only ends a hang."""
    deadline = time.monotonic() + seconds
    while True:
        code, text = run_tool(*args)
        missed = text.startswith(NO_DEVICE) or (devices is not None and "Devices found : %d\n" % devices not in text)
        if not missed or time.monotonic() >= deadline:
            return code, text


def read_registers(address, *registers):
    proc = subprocess.run([os.path.join(BIN, "gev_readreg"), address, *[hex(r) for r in registers]],
                          capture_output=True, text=True, timeout=30)
    assert proc.returncode == 0, proc.stdout
    values = {}
    for line in proc.stdout.splitlines():
        reg, value = line.split()
        values[int(reg, 16)] = int(value, 16)
    return values


def start_cameras(args, apply_forced_ip=True):
    """softcam with `args`; by default its cameras apply a forced address to their adapter, so
    that the tool reaches them at the address it forced."""
    return softcam_process.SoftCameras(*args, *(["--apply-forced-ip"] if apply_forced_ip else []))


# Two cameras on the first adapter, one on the second.
THREE_CAMERAS = ["--adapter", "kyc1", "--ip", "10.10.1.2", "--model", "ModelA", "--serial", "SA0001",
                 "--adapter", "kyc1", "--ip", "10.10.1.3", "--model", "LongModelNameBeyond20", "--serial", "SB0002",
                 "--adapter", "kyc2", "--ip", "10.10.2.2", "--model", "ModelC", "--serial", "SC0003"]


@pytest.fixture
def cameras():
    cams = start_cameras(THREE_CAMERAS)
    yield cams
    cams.stop()


@pytest.fixture
def one_camera():
    cams = start_cameras(["--adapter", "kyc2", "--ip", "10.10.2.2", "--model", "ModelC", "--serial", "SC0003"])
    yield cams
    cams.stop()
