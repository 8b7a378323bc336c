// Bootstrap registers: what a device serves (ABRM, SBRM, manifest, file) read back by the host's
// reader over GenCP, and the reader's checks of what a device claims.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestDeadline.h"
#include "u3v/LittleEndian.h"
#include "u3v/SimUsbBus.h"
#include "u3v/U3vBootstrapMemory.h"
#include "u3v/U3vBootstrapReader.h"

using namespace ky::u3v;

namespace {

// One register at 0x20000 behind the bootstrap blocks.
class OneRegister : public IU3vMemory
{
public:
    GenCpStatus Read(uint64_t address, uint8_t *data, size_t size) override
    {
        if (address != 0x20000 || size != 4) {
            return GenCpStatus::InvalidAddress;
        }
        PutLe32(data, value);
        return GenCpStatus::Success;
    }
    GenCpStatus Write(uint64_t address, const uint8_t *data, size_t size) override
    {
        if (address != 0x20000 || size != 4) {
            return GenCpStatus::InvalidAddress;
        }
        value = Le32(data);
        return GenCpStatus::Success;
    }
    uint32_t value = 7;
};

U3vDeviceIdentity Identity()
{
    U3vDeviceIdentity id;
    id.manufacturer = "Kit";
    id.model = "SoftU3V";
    id.family = "Soft";
    id.deviceVersion = "1.0";
    id.serialNumber = "U3V0001";
    id.userDefinedName = std::string(100, 'n');  // longer than the field
    id.maxCommandTransfer = 128;
    id.maxAckTransfer = 256;
    return id;
}

struct Device
{
    Device(std::vector<uint8_t> file, bool zipped)
        : memory(Identity(), std::move(file), zipped, &registers),
          server(link.Device(SimPipe::Control), memory, 128, 256),
          client(link.Host(SimPipe::Control))
    {
        client.SetTimeout(TestDeadlineMs(2000), 0);
        server.Start();
    }
    SimUsbLink link;
    OneRegister registers;
    U3vBootstrapMemory memory;
    U3vControlServer server;
    U3vControlClient client;
};

TEST(U3vBootstrap, HostReadsIdentityLimitsAndFile)
{
    const std::string xml = "<RegisterDescription>" + std::string(3000, 'x') + "</RegisterDescription>";
    Device device(std::vector<uint8_t>(xml.begin(), xml.end()), false);
    U3vBootstrapInfo info;
    ASSERT_TRUE(ReadBootstrap(device.client, info).IsOK());
    EXPECT_EQ(info.manufacturer, "Kit");
    EXPECT_EQ(info.model, "SoftU3V");
    EXPECT_EQ(info.family, "Soft");
    EXPECT_EQ(info.serialNumber, "U3V0001");
    EXPECT_EQ(info.userDefinedName, std::string(63, 'n'));
    EXPECT_EQ(info.genCpVersion, 0x00010000u);
    EXPECT_EQ(info.u3vVersion, 0x00010000u);
    EXPECT_EQ(info.maxCommandTransfer, 128u);
    EXPECT_EQ(info.maxAckTransfer, 256u);
    EXPECT_EQ(info.sbrmAddress, SOFT_SBRM_ADDRESS);

    std::vector<uint8_t> file;
    bool zipped = true;
    ASSERT_TRUE(ReadManifestFile(device.client, info, file, zipped).IsOK());
    EXPECT_FALSE(zipped);
    EXPECT_EQ(std::string(file.begin(), file.end()), xml);
}

TEST(U3vBootstrap, ZipFileIsReportedAsZip)
{
    Device device({'P', 'K', 3, 4}, true);
    U3vBootstrapInfo info;
    ASSERT_TRUE(ReadBootstrap(device.client, info).IsOK());
    std::vector<uint8_t> file;
    bool zipped = false;
    ASSERT_TRUE(ReadManifestFile(device.client, info, file, zipped).IsOK());
    EXPECT_TRUE(zipped);
    EXPECT_EQ(file.size(), 4u);
}

TEST(U3vBootstrap, BootstrapIsReadOnlyButForTheNameAndRegistersPassThrough)
{
    Device device({'<', '/', '>'}, false);
    const uint8_t name[] = {'c', 'a', 'm', 0};
    EXPECT_TRUE(device.client.WriteMemory(ABRM_USER_DEFINED_NAME_OFFSET, name, sizeof name).IsOK());
    const uint8_t word[4] = {1, 0, 0, 0};
    EXPECT_EQ(device.client.WriteMemory(ABRM_MODEL_NAME_OFFSET, word, 4).GetCode(), KY_NOT_SUPPORTED);
    EXPECT_EQ(device.client.WriteMemory(SOFT_SBRM_ADDRESS + SBRM_MAX_ACK_TRANSFER_OFFSET, word, 4).GetCode(),
              KY_NOT_SUPPORTED);
    U3vBootstrapInfo info;
    ASSERT_TRUE(ReadBootstrap(device.client, info).IsOK());
    EXPECT_EQ(info.userDefinedName, "cam");

    const uint8_t value[4] = {0x78, 0x56, 0x34, 0x12};
    ASSERT_TRUE(device.client.WriteMemory(0x20000, value, 4).IsOK());
    EXPECT_EQ(device.registers.value, 0x12345678u);
    uint8_t back[4] = {};
    ASSERT_TRUE(device.client.ReadMemory(0x20000, back, 4).IsOK());
    EXPECT_EQ(Le32(back), 0x12345678u);
    EXPECT_EQ(device.client.ReadMemory(0x30000, back, 4).GetCode(), KY_INVALID_PARAMETER);
}

// A device whose memory claims whatever the test sets, to try the reader's checks.
class ClaimingMemory : public IU3vMemory
{
public:
    ClaimingMemory() : bytes(0x400, 0)
    {
        PutLe32(bytes.data() + ABRM_PROTOCOL_ENDIANNESS_OFFSET, ABRM_LITTLE_ENDIAN);
        PutLe64(bytes.data() + ABRM_SBRM_ADDRESS_OFFSET, 0);  // SBRM over the ABRM: harmless
        PutLe64(bytes.data() + ABRM_MANIFEST_TABLE_ADDRESS_OFFSET, 0x300);
        PutLe32(bytes.data() + SBRM_MAX_COMMAND_TRANSFER_OFFSET, 512);
        PutLe32(bytes.data() + SBRM_MAX_ACK_TRANSFER_OFFSET, 512);
    }
    GenCpStatus Read(uint64_t address, uint8_t *data, size_t size) override
    {
        if (address >= bytes.size() || size > bytes.size() - address) {
            return GenCpStatus::InvalidAddress;
        }
        std::memcpy(data, bytes.data() + address, size);
        return GenCpStatus::Success;
    }
    GenCpStatus Write(uint64_t, const uint8_t *, size_t) override { return GenCpStatus::WriteProtect; }
    std::vector<uint8_t> bytes;
};

TEST(U3vBootstrap, ImplausibleManifestsAreRefused)
{
    struct Case
    {
        const char *what;
        uint64_t count;
        uint32_t schema;
        uint64_t size;
        uint32_t expected;
    };
    const Case cases[] = {
        {"no entry", 0, 0, 16, KY_CANT_READ_MANIFEST},
        {"absurd entry count", 1ull << 40, 0, 16, KY_CANT_READ_MANIFEST},
        {"unknown file type", 1, 5u << MANIFEST_SCHEMA_FILE_TYPE_SHIFT, 16, KY_GENICAM_XML_ERROR},
        {"empty file", 1, 0, 0, KY_GENICAM_XML_ERROR},
        {"huge file", 1, 0, 1ull << 40, KY_GENICAM_XML_ERROR},
    };
    for (const Case &c : cases) {
        SimUsbLink link;
        ClaimingMemory memory;
        PutLe64(memory.bytes.data() + 0x300, c.count);
        PutLe32(memory.bytes.data() + 0x308 + MANIFEST_ENTRY_SCHEMA_OFFSET, c.schema);
        PutLe64(memory.bytes.data() + 0x308 + MANIFEST_ENTRY_ADDRESS_OFFSET, 0);
        PutLe64(memory.bytes.data() + 0x308 + MANIFEST_ENTRY_SIZE_OFFSET, c.size);
        U3vControlServer server(link.Device(SimPipe::Control), memory, 512, 512);
        server.Start();
        U3vControlClient client(link.Host(SimPipe::Control));
        client.SetTimeout(TestDeadlineMs(2000), 0);
        U3vBootstrapInfo info;
        ASSERT_TRUE(ReadBootstrap(client, info).IsOK()) << c.what;
        std::vector<uint8_t> file;
        bool zipped = false;
        EXPECT_EQ(ReadManifestFile(client, info, file, zipped).GetCode(), c.expected) << c.what;
        EXPECT_TRUE(file.empty()) << c.what;
    }
}

TEST(U3vBootstrap, TooSmallTransferLimitsAreRefused)
{
    SimUsbLink link;
    ClaimingMemory memory;
    PutLe32(memory.bytes.data() + SBRM_MAX_ACK_TRANSFER_OFFSET, 4);
    U3vControlServer server(link.Device(SimPipe::Control), memory, 512, 512);
    server.Start();
    U3vControlClient client(link.Host(SimPipe::Control));
    client.SetTimeout(TestDeadlineMs(2000), 0);
    U3vBootstrapInfo info;
    EXPECT_EQ(ReadBootstrap(client, info).GetCode(), KY_INVALID_DATA_FORMAT);
}

}  // namespace
