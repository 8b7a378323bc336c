// Fills device-information records; the only writer of their fields (discovery and copies).
#pragma once

#include <string>

#include "ky/device/KyDeviceInfo.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/device/KyDeviceInfoU3V.h"

namespace ky {
namespace device {

struct GevIdentity
{
    std::string vendor;
    std::string model;
    std::string version;
    std::string manufacturerInfo;
    std::string serial;
    std::string userName;
    std::string mac;  // "00:11:22:33:44:55"
    std::string ip;
    std::string mask;
    std::string gateway;
    uint32_t gevVersion = 0;
    uint32_t ipConfigOptions = 0;
    uint32_t ipConfigCurrent = 0;
    bool configurationValid = false;
    KyDeviceClass deviceClass = KyDeviceClassUnknown;
};

struct U3vIdentity
{
    std::string guid;  // 12 hex digits
    std::string vendor;
    std::string model;
    std::string family;
    std::string version;
    std::string manufacturerInfo;
    std::string serial;
    std::string userName;
    std::string devicePath;
    uint32_t genCpVersion = 0;
    uint32_t u3vVersion = 0;
    KyUSBSpeed speed = KyUSBSpeedUnknown;
    bool capabilitiesRead = false;
};

class DeviceInfoAccess
{
public:
    static void Fill(KyDeviceInfoGEV &record, const GevIdentity &identity);
    static void Fill(KyDeviceInfoU3V &record, const U3vIdentity &identity);
    // How a USB speed reads in a device's speed message ("SuperSpeed", ...).
    static const char *SpeedText(KyUSBSpeed speed);
    static void SetInterface(KyDeviceInfo &record, const KyInterface *anInterface)
    {
        record.mInterface = anInterface;
    }
    // A copy owned by the caller, detached from the interface (and system) of the original.
    template <class Record>
    static KyDeviceInfo *CopyDetached(const Record &record)
    {
        auto *copy = new Record(record);
        copy->mInterface = nullptr;
        return copy;
    }
};

}  // namespace device
}  // namespace ky
