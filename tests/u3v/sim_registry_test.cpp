// The process-wide registry of simulated USB devices: plugging, looking up by GUID, listing,
// unplugging (the host sees the link go, the device side is let go) and the one-time loader of
// declared devices.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "TestDeadline.h"
#include "u3v/SimUsbRegistry.h"

using namespace ky::u3v;

namespace {

SimUsbIdentity Identity(const std::string &guid, const std::string &serial = "S1")
{
    SimUsbIdentity identity;
    identity.guid = guid;
    identity.vendor = "Vendor";
    identity.model = "Model";
    identity.serial = serial;
    identity.speed = 3;
    return identity;
}

struct DeviceSide
{
    explicit DeviceSide(std::atomic<int> &alive) : mAlive(alive) { ++mAlive; }
    ~DeviceSide() { --mAlive; }
    std::atomic<int> &mAlive;
};

TEST(SimUsbRegistry, PluggedDeviceIsFoundByGuidInAnyCaseAndListed)
{
    auto link = std::make_shared<SimUsbLink>();
    ASSERT_TRUE(SimUsbRegistry::Plug(Identity("00a1b2c3d4e5", "SER9"), link, nullptr).IsOK());
    SimUsbDevice device;
    ASSERT_TRUE(SimUsbRegistry::Find("00A1B2C3D4E5", device));
    EXPECT_EQ(device.identity.guid, "00A1B2C3D4E5");
    EXPECT_EQ(device.identity.serial, "SER9");
    EXPECT_EQ(device.identity.vendor, "Vendor");
    EXPECT_EQ(device.identity.speed, 3);
    EXPECT_EQ(device.link, link);
    EXPECT_EQ(SimUsbRegistry::LinkOf("00a1b2c3d4e5"), link);

    auto list = SimUsbRegistry::List();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].identity.guid, "00A1B2C3D4E5");
    ASSERT_TRUE(SimUsbRegistry::Unplug("00a1b2c3d4e5").IsOK());
    EXPECT_FALSE(SimUsbRegistry::Find("00A1B2C3D4E5", device));
    EXPECT_EQ(SimUsbRegistry::LinkOf("00A1B2C3D4E5"), nullptr);
    EXPECT_TRUE(SimUsbRegistry::List().empty());
}

TEST(SimUsbRegistry, ListKeepsPlugOrder)
{
    const char *guids[] = {"000000000003", "000000000001", "000000000002"};
    for (const char *guid : guids) {
        ASSERT_TRUE(SimUsbRegistry::Plug(Identity(guid), std::make_shared<SimUsbLink>(), nullptr).IsOK());
    }
    auto list = SimUsbRegistry::List();
    ASSERT_EQ(list.size(), 3u);
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(list[k].identity.guid, guids[k]);
        ASSERT_TRUE(SimUsbRegistry::Unplug(guids[k]).IsOK());
    }
}

TEST(SimUsbRegistry, RefusesBadGuidsMissingLinksAndDuplicates)
{
    struct Case
    {
        const char *guid;
        bool withLink;
        uint32_t code;
    } cases[] = {
        {"", true, KY_INVALID_PARAMETER},
        {"12345", true, KY_INVALID_PARAMETER},
        {"0123456789ABC", true, KY_INVALID_PARAMETER},
        {"0123456789AG", true, KY_INVALID_PARAMETER},
        {"0123456789AB", false, KY_INVALID_PARAMETER},
    };
    for (const auto &c : cases) {
        auto link = c.withLink ? std::make_shared<SimUsbLink>() : nullptr;
        EXPECT_EQ(SimUsbRegistry::Plug(Identity(c.guid), link, nullptr).GetCode(), c.code) << c.guid;
    }
    EXPECT_TRUE(SimUsbRegistry::List().empty());

    ASSERT_TRUE(
        SimUsbRegistry::Plug(Identity("0123456789AB"), std::make_shared<SimUsbLink>(), nullptr).IsOK());
    EXPECT_EQ(
        SimUsbRegistry::Plug(Identity("0123456789ab"), std::make_shared<SimUsbLink>(), nullptr).GetCode(),
        static_cast<uint32_t>(KY_STATE_ERROR));
    ASSERT_TRUE(SimUsbRegistry::Unplug("0123456789AB").IsOK());
    EXPECT_EQ(SimUsbRegistry::Unplug("0123456789AB").GetCode(), static_cast<uint32_t>(KY_NOT_FOUND));
    EXPECT_EQ(SimUsbRegistry::Unplug("nonsense").GetCode(), static_cast<uint32_t>(KY_NOT_FOUND));
}

TEST(SimUsbRegistry, UnplugFailsTheWaitingHostTransferAndReleasesTheDeviceSide)
{
    std::atomic<int> alive{0};
    auto link = std::make_shared<SimUsbLink>();
    ASSERT_TRUE(
        SimUsbRegistry::Plug(Identity("ABCDEF012345"), link, std::make_shared<DeviceSide>(alive)).IsOK());
    EXPECT_EQ(alive.load(), 1);
    auto side = SimUsbRegistry::DeviceOf<DeviceSide>("abcdef012345");
    ASSERT_NE(side, nullptr);
    side.reset();

    std::atomic<int> status{-1};
    std::thread reader([&] {
        uint8_t buffer[16];
        size_t received = 0;
        auto host = SimUsbRegistry::LinkOf("ABCDEF012345");
        status = static_cast<int>(
            host->Host(SimPipe::Stream).Read(buffer, sizeof buffer, received, TestDeadlineMs(20000)));
    });
    // Wait until the reader holds the link (the registry then has two owners besides ours).
    while (link.use_count() < 3 && status.load() == -1) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(SimUsbRegistry::Unplug("ABCDEF012345").IsOK());
    reader.join();
    EXPECT_EQ(status.load(), static_cast<int>(TransferStatus::Disconnected));
    EXPECT_FALSE(link->IsPlugged());
    EXPECT_FALSE(link->Host(SimPipe::Control).IsConnected());
    EXPECT_EQ(alive.load(), 0);
    EXPECT_EQ(SimUsbRegistry::DeviceOf<DeviceSide>("ABCDEF012345"), nullptr);
}

TEST(SimUsbRegistry, DeclarationLoaderRunsOnceAndOnlyOnce)
{
    auto &table = ky::base::SimUsbDeviceTable::Instance();
    std::atomic<int> runs{0};
    // No loader yet: nothing runs and a later loader still does.
    SimUsbRegistry::LoadDeclarations();
    table.SetDeclarationLoader([&runs] {
        ++runs;
        (void)SimUsbRegistry::Plug(Identity("DEC1A2ED0001"), std::make_shared<SimUsbLink>(), nullptr);
    });
    std::thread other([] { SimUsbRegistry::LoadDeclarations(); });
    SimUsbRegistry::LoadDeclarations();
    other.join();
    SimUsbRegistry::LoadDeclarations();
    EXPECT_EQ(runs.load(), 1);
    SimUsbDevice device;
    EXPECT_TRUE(SimUsbRegistry::Find("DEC1A2ED0001", device));
    table.SetDeclarationLoader([&runs] { runs += 10; });
    SimUsbRegistry::LoadDeclarations();
    EXPECT_EQ(runs.load(), 1);
    ASSERT_TRUE(SimUsbRegistry::Unplug("DEC1A2ED0001").IsOK());
}

}  // namespace
