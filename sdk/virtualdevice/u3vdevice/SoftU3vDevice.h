// SoftU3vDevice: a software USB3 Vision camera on the simulated USB host controller. It is the
// soft device's register map, GenICam XML and test pattern behind USB3 Vision: its bootstrap
// registers (ABRM, SBRM, manifest) and stream interface registers in front of the register map,
// a control server on the control pipe, the stream channel on the stream pipe, and events on the
// event pipe. Plug builds one, starts it and plugs it into the process's simulated controller
// (u3v/SimUsbRegistry.h), which keeps it until it is unplugged.
//
// The identity features (vendor, model, version, serial, user name) are the ABRM's fields; the
// image-format and acquisition features are those of a GigE Vision soft device's stream channel.
//
// Threads: the control server's and the stream channel's, joined by the destructor (which the
// registry runs on the thread that unplugs the device, never on one of these).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"
#include "registers/SoftRegisterMap.h"
#include "registers/SoftSerialPort.h"
#include "u3v/SimUsbBus.h"
#include "u3v/U3vBootstrapMemory.h"
#include "u3v/U3vControlServer.h"
#include "u3vdevice/SoftU3vMemory.h"
#include "u3vdevice/SoftU3vSettings.h"
#include "u3vdevice/SoftU3vStreamChannel.h"
#include "u3vdevice/SoftU3vStreamRegisters.h"

namespace ky::soft {

class SoftU3vDevice
{
public:
    // Checks the settings (GUID, text sizes, the source's own checks on size, format and rate),
    // builds and starts the device and plugs it in. KY_INVALID_PARAMETER names a bad setting,
    // KY_STATE_ERROR a GUID already plugged.
    static KyResult Plug(const SoftU3vSettings &settings);

    ~SoftU3vDevice();
    SoftU3vDevice(const SoftU3vDevice &) = delete;
    SoftU3vDevice &operator=(const SoftU3vDevice &) = delete;

    const SoftU3vSettings &Settings() const { return mSettings; }
    SoftRegisterMap &Registers() { return mMap; }
    SoftU3vStreamChannel &Stream() { return *mChannel; }
    KyStreamingChannelSourceTestPattern &Source() { return mSource; }

    // Sends an event on the event pipe when its notification is on (EventNotification of
    // `eventId`); false when it is off or the event could not go out (the pipe is full or gone).
    // The device raises ExposureEnd (0x0004, data: the block ID, u64 little-endian) after each
    // frame it sent.
    bool RaiseEvent(uint16_t eventId, const uint8_t *data, size_t size);

private:
    explicit SoftU3vDevice(const SoftU3vSettings &settings);
    KyResult Start();
    KyResult AddRegisters();
    KyResult MakeXml(std::vector<uint8_t> &file);

    SoftU3vSettings mSettings;
    std::shared_ptr<u3v::SimUsbLink> mLink;
    KyStreamingChannelSourceTestPattern mSource;
    SoftRegisterMap mMap;
    SoftSerialPort mSerialPort;
    SoftU3vMemory mRegisterMemory{mMap, true};  // little-endian, as USB3 Vision devices are
    std::unique_ptr<u3v::U3vBootstrapMemory> mMemory;
    std::unique_ptr<SoftU3vStreamChannel> mChannel;
    std::unique_ptr<SoftU3vStreamRegisters> mStreamRegisters;
    std::unique_ptr<u3v::U3vControlServer> mServer;

    std::mutex mEventMutex;
    std::vector<std::pair<uint16_t, uint32_t>> mEventNotification;  // event id, 0 Off / 1 On
    uint16_t mNextEventRequestId = 1;
};

}  // namespace ky::soft
