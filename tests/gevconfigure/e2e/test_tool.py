"""bnkGEVConfigure end to end, against soft cameras in a private namespace."""
import pytest

from conftest import HINT, read_registers, run_tool, run_tool_with_cameras, start_cameras

SEPARATOR = "=" * 51 + "\n"
REG_IP_CONFIG = 0x0014
REG_MAC_HIGH, REG_MAC_LOW = 0x0008, 0x000C
REG_CURRENT_IP = 0x0024
REG_PERSISTENT_IP, REG_PERSISTENT_MASK, REG_PERSISTENT_GATEWAY = 0x064C, 0x065C, 0x066C
PERSISTENT, DHCP, LLA = 0x1, 0x2, 0x4


def dotted(value):
    return ".".join(str((value >> shift) & 0xFF) for shift in (24, 16, 8, 0))


def mac_text(address):
    regs = read_registers(address, REG_MAC_HIGH, REG_MAC_LOW)
    raw = ((regs[REG_MAC_HIGH] & 0xFFFF) << 32) | regs[REG_MAC_LOW]
    return ":".join("%02x" % ((raw >> shift) & 0xFF) for shift in range(40, -8, -8))


def configuration(address):
    return read_registers(address, REG_IP_CONFIG, REG_PERSISTENT_IP, REG_PERSISTENT_MASK, REG_PERSISTENT_GATEWAY)


def test_listing_groups_cameras_by_adapter_and_unique_id(cameras):
    # Within an adapter the cameras sort by unique ID (their MAC address).
    first = sorted([(mac_text("10.10.1.2"), "ModelA", "SA0001"),
                    (mac_text("10.10.1.3"), "LongModelNameBeyond20", "SB0002")])
    lines = [SEPARATOR, "Devices found : 3\n", SEPARATOR, "kyc1(10.10.1.2)\n", "\n", "kyc2(10.10.2.2)\n", "\n",
             "kyh1(10.10.1.1)\n"]
    for index, (_, model, serial) in enumerate(first, start=1):
        lines.append("%2d. %-20s%s\tDHCP\n" % (index, model, serial))
    lines += ["\n", "kyh2(10.10.2.1)\n", " 3. ModelC              SC0003\tDHCP\n", "\n", "lo(127.0.0.1)\n", "\n",
              SEPARATOR]
    assert run_tool_with_cameras("-L", devices=3) == (0, "".join(lines))
    assert run_tool_with_cameras("--list", "anything", devices=3) == (0, "".join(lines))


ARGUMENT_ERRORS = [
    # (arguments, expected output)
    (["--bogus"], "bnkgEVConfigure: invalid option '--bogus'\n" + HINT),
    (["-D"], "bnkgEVConfigure: invalid option '-D'\n" + HINT),
    (["-d"], "bnkgEVConfigure: missing argument\n" + HINT),
    (["--persistent"], "bnkgEVConfigure: missing argument\n" + HINT),
    (["-l", "x1"], "bnkGEVConfigure: invalid operand [index] 'x1'\n" + HINT),
    (["-d", "-1"], "bnkGEVConfigure: invalid operand [index] '-1'\n" + HINT),
    (["-d", "0"], "bnkgEVConfigure: invalid index '0'\n" + HINT),
    (["-p", "9", "10.10.2.50"], "bnkgEVConfigure: invalid index '9'\n" + HINT),
    (["-d", "4294967295"], "bnkgEVConfigure: invalid index '-1'\n" + HINT),
]


@pytest.mark.parametrize("args,expected", ARGUMENT_ERRORS, ids=[" ".join(a) for a, _ in ARGUMENT_ERRORS])
def test_argument_errors_with_cameras(cameras, args, expected):
    assert run_tool_with_cameras(*args) == (1, expected)


def test_answers_that_need_no_camera():
    assert run_tool() == (1, "bnkgEVConfigure: missing argument\n" + HINT)
    assert run_tool("-v", "more") == (0, "bnkGEVConfigure 1.0.2.6797\n")
    code, text = run_tool("-h", "more")
    assert code == 0 and text.startswith("Usage: bnkGEVConfigure -d [index]\n")
    assert text.endswith("Depending on the subnetmask setting, you may not be able to connect to the device.\n")
    # an unknown option with no camera present: only the no-device lines
    no_device = "No connected devices found!!\nPlease check the device connection status.\n"
    assert run_tool("--bogus") == (1, no_device)
    # a listing that finds nothing has done what was asked
    assert run_tool("-L") == (0, no_device)
    assert run_tool("-d", "1") == (1, no_device)


# The persistent form's operands that can never work are refused before discovery: with no camera
# there, the answer is the operand's, not "No connected devices found!!".
BAD_PERSISTENT = [
    (["-p", "1"], "[IP] ''"),
    (["-p", "9"], "[IP] ''"),
    (["-p", "x1", "10.10.2.70"], "[index] 'x1'"),
    (["-p", "1", "0.0.0.0"], "[IP] '0.0.0.0'"),
    (["-p", "1", "10.10.2.300"], "[IP] '10.10.2.300'"),
    (["-p", "1", "10.10.2.70", "255.255.255"], "[Subnet] '255.255.255'"),
    (["-p", "1", "10.10.2.70", "255.255.255.0", "gateway"], "[gateway] 'gateway'"),
    (["-p", "1", "10.10.2.50", "255.255.0.0", "10.10.2.9", "extra"], "[IP] ''"),
]


@pytest.mark.parametrize("args,operand", BAD_PERSISTENT, ids=[" ".join(a) for a, _ in BAD_PERSISTENT])
def test_persistent_operands_are_checked_before_discovery(args, operand):
    assert run_tool(*args) == (1, "bnkGEVConfigure: invalid operand %s\n%s" % (operand, HINT))


def test_persistent_with_three_operands_then_lla_then_dhcp(one_camera):
    assert run_tool_with_cameras("-p", "1", "10.10.2.50", "255.255.0.0", "10.10.2.9") == (0, "Setting Persistent...\nDone.\n")
    regs = configuration("10.10.2.50")
    assert regs[REG_IP_CONFIG] & (PERSISTENT | DHCP) == PERSISTENT
    assert (dotted(regs[REG_PERSISTENT_IP]), dotted(regs[REG_PERSISTENT_MASK]),
            dotted(regs[REG_PERSISTENT_GATEWAY])) == ("10.10.2.50", "255.255.0.0", "10.10.2.9")
    code, text = run_tool_with_cameras("-L", devices=1)
    assert " 1. ModelC              SC0003\tPersistent\n    - 10.10.2.50\t255.255.0.0\t10.10.2.9\n" in text

    # link-local: forced to a free temporary address first, then only the LLA bit is left
    assert run_tool_with_cameras("-l", "1") == (0, "Setting LLA...\nDone.\n")
    regs = read_registers("10.10.2.254", REG_IP_CONFIG)
    assert regs[REG_IP_CONFIG] & (PERSISTENT | DHCP | LLA) == LLA
    # nothing to do now: no flag but LLA
    assert run_tool_with_cameras("-l", "1") == (0, "Setting LLA...\nDone.\n")

    # DHCP: forced again first; .254 is the camera's own address now, so .253 is the free one
    assert run_tool_with_cameras("-d", "1", "extra") == (0, "Setting DHCP...\nDone.\n")
    regs = read_registers("10.10.2.253", REG_IP_CONFIG)
    assert regs[REG_IP_CONFIG] & (PERSISTENT | DHCP) == DHCP


def test_persistent_defaults_from_the_adapter(one_camera):
    assert run_tool_with_cameras("-p", "1", "10.10.2.60") == (0, "Setting Persistent...\nDone.\n")
    regs = configuration("10.10.2.60")
    assert (dotted(regs[REG_PERSISTENT_IP]), dotted(regs[REG_PERSISTENT_MASK]),
            dotted(regs[REG_PERSISTENT_GATEWAY])) == ("10.10.2.60", "255.255.255.0", "10.10.2.1")
    assert run_tool_with_cameras("-p", "1", "10.10.2.61", "255.255.0.0") == (0, "Setting Persistent...\nDone.\n")
    regs = configuration("10.10.2.61")
    assert (dotted(regs[REG_PERSISTENT_MASK]), dotted(regs[REG_PERSISTENT_GATEWAY])) == ("255.255.0.0", "10.10.2.1")


@pytest.mark.parametrize("args,operand", BAD_PERSISTENT, ids=[" ".join(a) for a, _ in BAD_PERSISTENT])
def test_persistent_operands_are_checked_before_anything_is_sent(one_camera, args, operand):
    before = configuration("10.10.2.2")
    assert run_tool(*args) == (1, "bnkGEVConfigure: invalid operand %s\n%s" % (operand, HINT))
    assert configuration("10.10.2.2") == before


def test_dhcp_on_a_camera_already_in_dhcp_writes_nothing(one_camera):
    before = configuration("10.10.2.2")
    assert before[REG_IP_CONFIG] & DHCP
    assert run_tool_with_cameras("--dhcp", "1") == (0, "Setting DHCP...\nDone.\n")
    assert configuration("10.10.2.2") == before


def test_softcam_says_when_it_does_not_apply_a_forced_address():
    cams = start_cameras(["--adapter", "kyc2", "--ip", "10.10.2.2", "--serial", "SC0003"], apply_forced_ip=False)
    try:
        assert cams.lines[0] == "softcam: SoftCam SC0003 on kyc2 at 10.10.2.2"
        code, text = run_tool_with_cameras("-p", "1", "10.10.2.50")
        assert code == 1 and "No answer from the device at 10.10.2.50" in text
    finally:
        printed = cams.stop()
    assert ("softcam: SC0003 was forced to 10.10.2.50 (FORCEIP) but still answers at 10.10.2.2 only: start softcam "
            "with --apply-forced-ip to add the forced address to the adapter\n") in printed
