"""Fixtures of the device tests: soft cameras and discovery in the private network namespace that
scripts/netns-run makes with --adapters 2 (kyh1/kyh2 are the host's adapters at 10.10.1.1 and
10.10.2.1; cameras live on kyc1/kyc2). Nothing here runs outside such a namespace."""
import os

import pytest

from netns_helpers import CAMERA_1, CAMERA_2, SoftCameras

ADAPTERS = {"kyh1", "kyc1", "kyh2", "kyc2"}


def pytest_collection_modifyitems(config, items):
    # Discovery broadcasts on every interface: refuse to run where other interfaces exist.
    interfaces = set(os.listdir("/sys/class/net")) - {"lo"}
    if interfaces != ADAPTERS:
        pytest.exit("the device tests run only inside scripts/netns-run --adapters 2 (found %s)"
                    % sorted(interfaces), returncode=2)


@pytest.fixture(scope="module")
def cameras():
    cams = SoftCameras(*CAMERA_1, *CAMERA_2)
    yield cams
    cams.stop()
