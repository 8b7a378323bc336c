// U3vBootstrapMemory: the device's memory as a USB3 Vision device serves it: its ABRM, SBRM and
// one-entry manifest, the GenICam file the manifest names, and every other address handed to the
// device's own registers. Bootstrap registers are read-only but for the user-defined name, the
// heartbeat time-out and the configuration words.
#pragma once

#include <mutex>
#include <vector>

#include "u3v/U3vBootstrap.h"
#include "u3v/U3vControlServer.h"

namespace ky::u3v {

struct U3vDeviceIdentity
{
    std::string manufacturer;
    std::string model;
    std::string family;
    std::string deviceVersion;
    std::string manufacturerInfo;
    std::string serialNumber;
    std::string userDefinedName;
    uint32_t maxCommandTransfer = 1024;
    uint32_t maxAckTransfer = 1024;
    uint32_t currentSpeed = 4;  // super speed
};

class U3vBootstrapMemory : public IU3vMemory
{
public:
    // `file` is the GenICam file (zip or plain XML, as `zipped` says); `registers` serves every
    // address outside the bootstrap blocks and may be null (those addresses are then invalid).
    U3vBootstrapMemory(const U3vDeviceIdentity &identity, std::vector<uint8_t> file, bool zipped,
                       IU3vMemory *registers);

    GenCpStatus Read(uint64_t address, uint8_t *data, size_t size) override;
    GenCpStatus Write(uint64_t address, const uint8_t *data, size_t size) override;

private:
    struct Block
    {
        uint64_t base;
        std::vector<uint8_t> *bytes;
    };
    // The block holding [address, address + size), or null.
    std::vector<uint8_t> *Find(uint64_t address, size_t size, uint64_t &offset);
    bool Writable(uint64_t address, size_t size) const;

    std::mutex mMutex;
    std::vector<uint8_t> mAbrm;
    std::vector<uint8_t> mSbrm;
    std::vector<uint8_t> mManifest;
    std::vector<uint8_t> mFile;
    IU3vMemory *mRegisters;
};

}  // namespace ky::u3v
