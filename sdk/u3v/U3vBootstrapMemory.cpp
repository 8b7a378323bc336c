#include "u3v/U3vBootstrapMemory.h"

#include <cstring>

#include "u3v/LittleEndian.h"

namespace ky::u3v {

namespace {

void PutString(std::vector<uint8_t> &block, uint64_t offset, const std::string &text)
{
    const size_t n = std::min(text.size(), ABRM_STRING_SIZE - 1);  // always NUL-terminated
    std::memcpy(block.data() + offset, text.data(), n);
}

bool Within(uint64_t start, size_t length, uint64_t address, size_t size)
{
    return address >= start && address - start <= length && size <= length - (address - start);
}

}  // namespace

U3vBootstrapMemory::U3vBootstrapMemory(const U3vDeviceIdentity &identity, std::vector<uint8_t> file,
                                       bool zipped, IU3vMemory *registers)
    : mAbrm(ABRM_SIZE, 0),
      mSbrm(SBRM_SIZE, 0),
      mManifest(8 + MANIFEST_ENTRY_SIZE, 0),
      mFile(std::move(file)),
      mRegisters(registers)
{
    uint8_t *a = mAbrm.data();
    PutLe32(a + ABRM_GENCP_VERSION_OFFSET, 0x00010000);
    PutString(mAbrm, ABRM_MANUFACTURER_NAME_OFFSET, identity.manufacturer);
    PutString(mAbrm, ABRM_MODEL_NAME_OFFSET, identity.model);
    PutString(mAbrm, ABRM_FAMILY_NAME_OFFSET, identity.family);
    PutString(mAbrm, ABRM_DEVICE_VERSION_OFFSET, identity.deviceVersion);
    PutString(mAbrm, ABRM_MANUFACTURER_INFO_OFFSET, identity.manufacturerInfo);
    PutString(mAbrm, ABRM_SERIAL_NUMBER_OFFSET, identity.serialNumber);
    PutString(mAbrm, ABRM_USER_DEFINED_NAME_OFFSET, identity.userDefinedName);
    PutLe64(a + ABRM_DEVICE_CAPABILITY_OFFSET,
            ABRM_CAPABILITY_USER_NAME_MASK | ABRM_CAPABILITY_FAMILY_NAME_MASK);
    PutLe32(a + ABRM_MAX_RESPONSE_TIME_OFFSET, 200);
    PutLe64(a + ABRM_MANIFEST_TABLE_ADDRESS_OFFSET, SOFT_MANIFEST_ADDRESS);
    PutLe64(a + ABRM_SBRM_ADDRESS_OFFSET, SOFT_SBRM_ADDRESS);
    PutLe32(a + ABRM_HEARTBEAT_TIMEOUT_OFFSET, 3000);
    PutLe32(a + ABRM_PROTOCOL_ENDIANNESS_OFFSET, ABRM_LITTLE_ENDIAN);

    uint8_t *s = mSbrm.data();
    PutLe32(s + SBRM_U3V_VERSION_OFFSET, 0x00010000);
    PutLe32(s + SBRM_MAX_COMMAND_TRANSFER_OFFSET, identity.maxCommandTransfer);
    PutLe32(s + SBRM_MAX_ACK_TRANSFER_OFFSET, identity.maxAckTransfer);
    PutLe32(s + SBRM_STREAM_CHANNEL_COUNT_OFFSET, 1);
    PutLe64(s + SBRM_SIRM_ADDRESS_OFFSET, SOFT_SIRM_ADDRESS);
    PutLe32(s + SBRM_SIRM_LENGTH_OFFSET, 0x44);
    PutLe64(s + SBRM_EIRM_ADDRESS_OFFSET, SOFT_EIRM_ADDRESS);
    PutLe32(s + SBRM_EIRM_LENGTH_OFFSET, 0x20);
    PutLe32(s + SBRM_CURRENT_SPEED_OFFSET, identity.currentSpeed);

    uint8_t *m = mManifest.data();
    PutLe64(m, 1);
    uint8_t *entry = m + 8;
    PutLe32(entry + MANIFEST_ENTRY_FILE_VERSION_OFFSET, 0x01000000);  // 1.0.0
    PutLe32(entry + MANIFEST_ENTRY_SCHEMA_OFFSET, (zipped ? MANIFEST_FILE_TYPE_ZIP : MANIFEST_FILE_TYPE_XML)
                                                      << MANIFEST_SCHEMA_FILE_TYPE_SHIFT);
    PutLe64(entry + MANIFEST_ENTRY_ADDRESS_OFFSET, SOFT_XML_FILE_ADDRESS);
    PutLe64(entry + MANIFEST_ENTRY_SIZE_OFFSET, mFile.size());
}

std::vector<uint8_t> *U3vBootstrapMemory::Find(uint64_t address, size_t size, uint64_t &offset)
{
    const Block blocks[] = {{0, &mAbrm},
                            {SOFT_SBRM_ADDRESS, &mSbrm},
                            {SOFT_MANIFEST_ADDRESS, &mManifest},
                            {SOFT_XML_FILE_ADDRESS, &mFile}};
    for (const Block &block : blocks) {
        if (Within(block.base, block.bytes->size(), address, size)) {
            offset = address - block.base;
            return block.bytes;
        }
    }
    return nullptr;
}

bool U3vBootstrapMemory::Writable(uint64_t address, size_t size) const
{
    return Within(ABRM_USER_DEFINED_NAME_OFFSET, ABRM_STRING_SIZE, address, size) ||
           Within(ABRM_DEVICE_CONFIGURATION_OFFSET, 12, address, size) ||
           Within(SOFT_SBRM_ADDRESS + SBRM_CONFIGURATION_OFFSET, 8, address, size);
}

GenCpStatus U3vBootstrapMemory::Read(uint64_t address, uint8_t *data, size_t size)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        uint64_t offset = 0;
        if (std::vector<uint8_t> *block = Find(address, size, offset)) {
            std::memcpy(data, block->data() + offset, size);
            return GenCpStatus::Success;
        }
    }
    return mRegisters ? mRegisters->Read(address, data, size) : GenCpStatus::InvalidAddress;
}

GenCpStatus U3vBootstrapMemory::Write(uint64_t address, const uint8_t *data, size_t size)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        uint64_t offset = 0;
        if (std::vector<uint8_t> *block = Find(address, size, offset)) {
            if (!Writable(address, size)) {
                return GenCpStatus::WriteProtect;
            }
            std::memcpy(block->data() + offset, data, size);
            mAbrm[ABRM_USER_DEFINED_NAME_OFFSET + ABRM_STRING_SIZE - 1] = 0;
            return GenCpStatus::Success;
        }
    }
    return mRegisters ? mRegisters->Write(address, data, size) : GenCpStatus::InvalidAddress;
}

}  // namespace ky::u3v
