// SimUsbRegistry: the devices on the simulated USB host controller, as the USB3 Vision code sees
// them. A device is plugged with its cable (a SimUsbLink whose device ends it serves) and its
// identity; a host looks it up by GUID and talks over the link's host ends. Unplugging pulls the
// cable first (every waiting transfer on either side fails as disconnected, so the host sees the
// link go) and only then lets the device side go.
//
// The devices live in one process-wide table in libKyBase (ky/SimUsbDeviceTable.h), so every SDK
// library of the process sees the same ones. Simulated USB is in-process: a device plugged in
// another process (a softcam) is not seen here.
//
// Threading: every member may be called from any thread; never unplug a device from one of its
// own threads (its destruction joins them).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ky/SimUsbDeviceTable.h"
#include "u3v/SimUsbBus.h"

namespace ky::u3v {

struct SimUsbIdentity
{
    std::string guid;  // 12 hex digits
    std::string vendor;
    std::string model;
    std::string family;
    std::string serial;
    std::string deviceVersion;
    int32_t speed = 4;  // a KyUSBSpeed value: super speed
};

struct SimUsbDevice
{
    SimUsbIdentity identity;
    std::shared_ptr<SimUsbLink> link;
    std::shared_ptr<void> device;  // the device side as it was plugged
};

class SimUsbRegistry
{
public:
    // Plugs a device: `device` is kept alive until it is unplugged (may be null).
    static KyResult Plug(const SimUsbIdentity &identity, std::shared_ptr<SimUsbLink> link,
                         std::shared_ptr<void> device)
    {
        base::SimUsbDeviceEntry entry;
        entry.guid = identity.guid;
        entry.vendor = identity.vendor;
        entry.model = identity.model;
        entry.family = identity.family;
        entry.serial = identity.serial;
        entry.deviceVersion = identity.deviceVersion;
        entry.speed = identity.speed;
        entry.link = std::move(link);
        entry.device = std::move(device);
        return base::SimUsbDeviceTable::Instance().Plug(std::move(entry));
    }

    // Pulls the cable of the device, then releases the device side (on the calling thread).
    static KyResult Unplug(const std::string &guid)
    {
        base::SimUsbDeviceEntry removed;
        KyResult result = base::SimUsbDeviceTable::Instance().Remove(guid, removed);
        if (!result.IsOK()) {
            return result;
        }
        std::static_pointer_cast<SimUsbLink>(removed.link)->Unplug();
        removed.device.reset();
        return result;
    }

    static bool Find(const std::string &guid, SimUsbDevice &device)
    {
        base::SimUsbDeviceEntry entry;
        if (!base::SimUsbDeviceTable::Instance().Find(guid, entry)) {
            return false;
        }
        device = FromEntry(entry);
        return true;
    }

    static std::vector<SimUsbDevice> List()
    {
        std::vector<SimUsbDevice> devices;
        for (const auto &entry : base::SimUsbDeviceTable::Instance().List()) {
            devices.push_back(FromEntry(entry));
        }
        return devices;
    }

    // The cable of the device (null when not plugged). The host end of a pipe is
    // link->Host(SimPipe::Stream); holding the link keeps its pipes alive after an unplug.
    static std::shared_ptr<SimUsbLink> LinkOf(const std::string &guid)
    {
        SimUsbDevice device;
        return Find(guid, device) ? device.link : nullptr;
    }

    // The device side of the device, as the type it was plugged with (null when not plugged).
    template <class T>
    static std::shared_ptr<T> DeviceOf(const std::string &guid)
    {
        SimUsbDevice device;
        return Find(guid, device) ? std::static_pointer_cast<T>(device.device) : nullptr;
    }

    // Plugs the devices declared for the process (the file KY_U3V_SIM names) on the first call:
    // runs the table's loader once (see SimUsbDeviceTable). The loader comes with the soft device
    // library, which the client libraries do not link: when KY_U3V_SIM names a file and no
    // loader is installed yet, this loads that library (and logs, under "device", why it could
    // not). A program that links the SDK's internal archives instead of the shared libraries
    // gets no such load; it installs the loader itself by linking the soft device's archive
    // (ky::soft::SoftU3vDeclarations::InstallLoader).
    static void LoadDeclarations();

private:
    static SimUsbDevice FromEntry(const base::SimUsbDeviceEntry &entry)
    {
        SimUsbDevice device;
        device.identity.guid = entry.guid;
        device.identity.vendor = entry.vendor;
        device.identity.model = entry.model;
        device.identity.family = entry.family;
        device.identity.serial = entry.serial;
        device.identity.deviceVersion = entry.deviceVersion;
        device.identity.speed = entry.speed;
        device.link = std::static_pointer_cast<SimUsbLink>(entry.link);
        device.device = entry.device;
        return device;
    }
};

}  // namespace ky::u3v
