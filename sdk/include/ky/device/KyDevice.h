// KyDevice: a connected device. Made by CreateAndConnect (released by Free), or as a KyDeviceGEV
// object that the caller constructs, connects and deletes.
//
// Thread safety: the control link carries one command at a time; calls from several threads are
// serialised. Event sinks are called on the device's own threads (see KyDeviceEventSink.h), on a
// copy of the list and without the device's lock; Connect and Disconnect return KY_STATE_ERROR
// when called from those threads.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include <atomic>
#include <cstdint>
#include <memory>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KyDeviceInfo;
class KyDeviceEventSink;
class KyGenParameterArray;

class KY_DEVICE_API KyDevice
{
public:
    virtual ~KyDevice();

    // Finds the device, makes a device object of its transport's class and connects it. Returns
    // the device (release it with Free) or nullptr; aResult (may be null) receives the outcome:
    // KY_INVALID_PARAMETER for a null record, KY_NOT_SUPPORTED for a record of a transport this
    // kit does not speak, KY_NOT_FOUND when no device answers to the text, or the connection's
    // failure.
    static KyDevice *CreateAndConnect(const KyDeviceInfo *aDeviceInfo, KyResult *aResult = nullptr);
    static KyDevice *CreateAndConnect(const KyString &aInfo, KyResult *aResult = nullptr);
    // Disconnects and deletes a device made by CreateAndConnect. Null is accepted. Allowed from
    // inside the device's own callbacks (see KyDeviceEventSink.h): the calling thread is then
    // handed to the SDK's reaper instead of being joined.
    static void Free(KyDevice *aDevice);

    KyDeviceType GetType() const { return mType; }

    // Connects with the transport's default access (KyDeviceGEV: exclusive control).
    virtual KyResult Connect(const KyDeviceInfo *aDeviceInfo) = 0;
    // aInfo: an IP address, a MAC address, a unique ID or a user-defined name.
    virtual KyResult Connect(const KyString &aInfo) = 0;

    virtual KyResult Disconnect() = 0;
    virtual KyResult StreamEnable(uint32_t aChannel = 0) = 0;
    virtual KyResult StreamDisable(uint32_t aChannel = 0) = 0;
    virtual bool IsConnected() const = 0;
    bool IsTesmarPowered() const { return false; }

    // Saves the device's GenICam description (XML, or the zip file holding it) to a file.
    virtual KyResult DumpGenICamXML(const KyString &aFilename) = 0;
    // The file name of the device's GenICam description, from its first URL.
    virtual KyResult GetDefaultGenICamXMLFilename(KyString &aFilename) = 0;

    // The device's GenICam features (the XML its first URL names, loaded by Connect; empty before
    // the first connection or when the XML could not be read, which Connect logs) and the SDK's
    // own parameters of the connection (answer timeout, command retries, heartbeat, packet-size
    // negotiation). Owned by the device, never null, valid as long as the device. After
    // Disconnect the device's features answer KY_NOT_CONNECTED.
    KyGenParameterArray *GetParameters();
    KyGenParameterArray *GetCommunicationParameters();

    // Device memory. aByteCount bytes; a negative count or a null buffer with a non-zero count is
    // KY_INVALID_PARAMETER; on failure the destination is zeroed.
    virtual KyResult ReadMemory(int64_t aAddress, uint8_t *aDestination, int64_t aByteCount) = 0;
    virtual KyResult WriteMemory(int64_t aAddress, const uint8_t *aSource, int64_t aByteCount) = 0;
    // Returns once every received event has been handed to the sinks, or KY_TIMEOUT.
    virtual KyResult WaitForMessagingChannelIdle(uint32_t aTimeout) = 0;

    // A sink may be registered once; KY_INVALID_PARAMETER for null or a repeat, KY_NOT_FOUND
    // when unregistering a sink that is not registered.
    KyResult RegisterEventSink(KyDeviceEventSink *aEventSink);
    KyResult UnregisterEventSink(KyDeviceEventSink *aEventSink);

    // Thread priorities, 0 (normal scheduling) to 99 (real-time FIFO), applied to the device's
    // threads when they start; KY_INVALID_PARAMETER above 99.
    uint32_t GetHeartbeatThreadPriority() const;
    KyResult SetHeartbeatThreadPriority(uint32_t aPriority);
    uint32_t GetInterruptLinkThreadPriority() const;
    KyResult SetInterruptLinkThreadPriority(uint32_t aPriority);
    uint32_t GetInterruptQueueThreadPriority() const;
    KyResult SetInterruptQueueThreadPriority(uint32_t aPriority);

    // The payload size the device streams with (its PayloadSize feature); 0 when it cannot be read.
    virtual uint32_t GetPayloadSize();
    // The connected device's unique ID (as KyDeviceInfo::GetUniqueID); KY_NOT_CONNECTED otherwise.
    virtual KyResult GetUniqueID(KyString &aUniqueID) = 0;

protected:
    explicit KyDevice(KyDeviceType type);
    KyDevice(const KyDevice &) = delete;
    KyDevice &operator=(const KyDevice &) = delete;

    class EventSinks;
    EventSinks &Sinks() { return *mSinks; }

    std::unique_ptr<KyGenParameterArray> mParameters;
    std::unique_ptr<KyGenParameterArray> mCommunicationParameters;

private:
    KyDeviceType mType;
    std::unique_ptr<EventSinks> mSinks;
    std::atomic<uint32_t> mHeartbeatPriority {0};
    std::atomic<uint32_t> mInterruptLinkPriority {0};
    std::atomic<uint32_t> mInterruptQueuePriority {0};
};
