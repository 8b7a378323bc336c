// SimUsbDeviceTable: the process-wide list of devices on the simulated USB host controller.
//
// One table per process, exported from libKyBase so that every SDK library sees the same devices:
// the soft device side plugs a device in, discovery lists the table, a host connects to a device
// by its GUID. The table knows nothing of USB3 Vision: it keeps the device's identity and two
// opaque references, the cable (the bus's link object) and the device side (whatever serves the
// device). u3v/SimUsbRegistry.h is the typed face of it that the USB3 Vision code uses.
//
// Devices can be declared rather than plugged by code: the library that builds soft devices
// installs a loader when it is loaded, and the first enumeration (or connection by GUID) runs it
// once. The client libraries do not link that library; they load it on demand when declarations
// are asked for and no loader is installed (u3v/SimUsbRegistry.h).
//
// Threading: every member may be called from any thread. The table's lock is never held while
// a loader runs or while a removed device is released.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ky/base/KyBaseExport.h"
#include "ky/base/KyResult.h"

namespace ky {
namespace base {

struct SimUsbDeviceEntry
{
    std::string guid;  // 12 hex digits, upper case; unique on the controller
    std::string vendor;
    std::string model;
    std::string family;
    std::string serial;
    std::string deviceVersion;
    int32_t speed = 0;             // a KyUSBSpeed value
    std::shared_ptr<void> link;    // the cable between host and device
    std::shared_ptr<void> device;  // the device side, kept alive while the device is plugged
};

class KY_BASE_API SimUsbDeviceTable
{
public:
    static SimUsbDeviceTable &Instance();

    // Adds a device. Refused (KY_INVALID_PARAMETER) for a GUID that is not 12 hex digits, a
    // missing link, or a GUID already plugged (KY_STATE_ERROR).
    KyResult Plug(SimUsbDeviceEntry entry);
    // Takes the device out of the table and hands its entry to the caller, who pulls the cable
    // and lets the device side go. KY_NOT_FOUND when no such GUID is plugged.
    KyResult Remove(const std::string &guid, SimUsbDeviceEntry &removed);
    // The device of this GUID (compared without regard to case), if plugged.
    bool Find(const std::string &guid, SimUsbDeviceEntry &entry) const;
    // Every plugged device, in the order they were plugged.
    std::vector<SimUsbDeviceEntry> List() const;
    size_t Count() const;

    // The loader of declared devices; LoadDeclarations runs it once per process (later calls,
    // from any thread, return at once after the first run completed). Installing a loader after
    // the run does nothing.
    void SetDeclarationLoader(std::function<void()> loader);
    void LoadDeclarations();
    // Whether a loader was installed (whether or not it has run yet).
    bool HasDeclarationLoader() const;

    // Whether `guid` is 12 hex digits; `normalized` is it in upper case.
    static bool NormalizeGuid(const std::string &guid, std::string &normalized);

private:
    SimUsbDeviceTable() = default;

    mutable std::mutex mMutex;
    std::vector<SimUsbDeviceEntry> mDevices;
    mutable std::mutex mLoaderMutex;
    std::function<void()> mLoader;
    bool mLoaded = false;
};

}  // namespace base
}  // namespace ky
