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
#include <cstddef>
#include <cstdint>
#include <memory>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KyDeviceInfo;
class KyDeviceEventSink;
class KyGenParameterArray;

namespace ky::base {
class ThreadPriority;
}

class KY_DEVICE_API KyDevice
{
public:
    /// Destructor.
    virtual ~KyDevice();

    /// Finds the device, makes a device object of its transport's class and connects it.
    ///
    /// Release the device with Free.
    ///
    /// @param[in] aDeviceInfo the device's record, as discovery found it
    /// @param[out] aResult when not null, receives the outcome: KY_INVALID_PARAMETER for a null record,
    ///        KY_NOT_SUPPORTED for a record of a transport this kit does not speak, or the
    ///        connection's failure
    ///
    /// @return the device, or null
    static KyDevice *CreateAndConnect(const KyDeviceInfo *aDeviceInfo, KyResult *aResult = nullptr);
    /// Finds the device by a connection text, makes a device object of its transport's class and connects it.
    ///
    /// Release the device with Free.
    ///
    /// @param[in] aInfo an IP address, a MAC address, a unique ID or a user-defined name
    /// @param[out] aResult when not null, receives the outcome: KY_NOT_FOUND when no device answers to
    ///        the text, or the connection's failure
    ///
    /// @return the device, or null
    static KyDevice *CreateAndConnect(const KyString &aInfo, KyResult *aResult = nullptr);
    /// Disconnects and deletes a device made by CreateAndConnect.
    ///
    /// Null is accepted. Allowed from inside the device's own callbacks (see KyDeviceEventSink.h):
    /// the calling thread is then handed to the SDK's reaper instead of being joined.
    ///
    /// @param[in] aDevice the device
    static void Free(KyDevice *aDevice);

    /// The device's transport.
    ///
    /// @return a KyDeviceType value
    KyDeviceType GetType() const { return mType; }

    /// Connects with the transport's default access (KyDeviceGEV: exclusive control).
    ///
    /// @param[in] aDeviceInfo the device's record
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (null record), KY_STATE_ERROR (already connected),
    ///        KY_TIMEOUT
    virtual KyResult Connect(const KyDeviceInfo *aDeviceInfo) = 0;
    /// Connects with the transport's default access (KyDeviceGEV: exclusive control).
    ///
    /// @param[in] aInfo an IP address, a MAC address, a unique ID or a user-defined name
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND, KY_STATE_ERROR (already connected), KY_TIMEOUT
    virtual KyResult Connect(const KyString &aInfo) = 0;

    /// Releases control and closes the connection.
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED, KY_STATE_ERROR (from the device's own callbacks)
    virtual KyResult Disconnect() = 0;
    /// Enables a stream channel; call it before the acquisition start command.
    ///
    /// @param[in] aChannel the stream channel
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED
    virtual KyResult StreamEnable(uint32_t aChannel = 0) = 0;
    /// Disables a stream channel; call it after the acquisition stop command.
    ///
    /// @param[in] aChannel the stream channel
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED
    virtual KyResult StreamDisable(uint32_t aChannel = 0) = 0;
    /// Whether the device is connected.
    ///
    /// @return true when connected
    virtual bool IsConnected() const = 0;
    /// Whether the connected device is Tesmar powered.
    ///
    /// @return false for every device of this kit
    bool IsTesmarPowered() const { return false; }

    /// Saves the device's GenICam description (XML, or the zip file holding it) to a file.
    ///
    /// @param[in] aFilename the file to write
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED, KY_FILE_ERROR
    virtual KyResult DumpGenICamXML(const KyString &aFilename) = 0;
    /// The file name of the device's GenICam description, from its first URL.
    ///
    /// @param[out] aFilename receives the file name
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED
    virtual KyResult GetDefaultGenICamXMLFilename(KyString &aFilename) = 0;

    /// The device's GenICam features.
    ///
    /// Loaded by Connect from the XML its first URL names; empty before the first connection or when
    /// the XML could not be read. After Disconnect the features answer KY_NOT_CONNECTED.
    ///
    /// @return the features, owned by the device, never null, valid as long as the device
    KyGenParameterArray *GetParameters();
    /// The SDK's own parameters of the connection (answer timeout, command retries, heartbeat, packet- size negotiation).
    ///
    /// @return the parameters, owned by the device, never null, valid as long as the device
    KyGenParameterArray *GetCommunicationParameters();

    /// Reads device memory.
    ///
    /// On failure the destination is zeroed.
    ///
    /// @param[in] aAddress the first byte's address
    /// @param[out] aDestination receives the bytes
    /// @param[in] aByteCount how many bytes
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED, KY_INVALID_PARAMETER (negative count, or null
    ///        destination with a count)
    virtual KyResult ReadMemory(int64_t aAddress, uint8_t *aDestination, int64_t aByteCount);
    /// Writes device memory.
    ///
    /// @param[in] aAddress the first byte's address
    /// @param[in] aSource the bytes
    /// @param[in] aByteCount how many bytes
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED, KY_INVALID_PARAMETER (negative count, or null source
    ///        with a count)
    virtual KyResult WriteMemory(int64_t aAddress, const uint8_t *aSource, int64_t aByteCount);
    /// Returns once every received event has been handed to the sinks, or the time-out has passed.
    ///
    /// @param[in] aTimeout milliseconds
    ///
    /// @return Includes: KY_OK, KY_TIMEOUT
    virtual KyResult WaitForMessagingChannelIdle(uint32_t aTimeout) = 0;

    /// Registers a sink for the device's events; a sink may be registered once.
    ///
    /// @param[in] aEventSink the sink, kept alive by the caller while registered
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (null or a repeat)
    KyResult RegisterEventSink(KyDeviceEventSink *aEventSink);
    /// Unregisters a sink.
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND (not registered)
    KyResult UnregisterEventSink(KyDeviceEventSink *aEventSink);

    /// The priority the heartbeat thread runs at: 1 to 99 under the real-time FIFO policy, 0 under the normal policy (also wherever the process may not use real-time scheduling).
    ///
    /// @return the priority in effect
    uint32_t GetHeartbeatThreadPriority() const;
    /// Sets the heartbeat thread's priority, at once while it runs and for every later start: 0 to 99, above 0 under the real-time FIFO policy where the process may use it (CAP_SYS_NICE or an RLIMIT_RTPRIO that reaches it), else under the normal policy at 0.
    ///
    /// @param[in] aPriority 0 to 99
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER above 99 (nothing changes)
    KyResult SetHeartbeatThreadPriority(uint32_t aPriority);
    /// The priority the event receiving thread runs at: 1 to 99 under the real-time FIFO policy, 0 under the normal policy (also wherever the process may not use real-time scheduling).
    ///
    /// @return the priority in effect
    uint32_t GetInterruptLinkThreadPriority() const;
    /// Sets the event receiving thread's priority, at once while it runs and for every later start: 0 to 99, above 0 under the real-time FIFO policy where the process may use it (CAP_SYS_NICE or an RLIMIT_RTPRIO that reaches it), else under the normal policy at 0.
    ///
    /// @param[in] aPriority 0 to 99
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER above 99 (nothing changes)
    KyResult SetInterruptLinkThreadPriority(uint32_t aPriority);
    /// The priority the event queue thread runs at: 1 to 99 under the real-time FIFO policy, 0 under the normal policy (also wherever the process may not use real-time scheduling).
    ///
    /// @return the priority in effect
    uint32_t GetInterruptQueueThreadPriority() const;
    /// Sets the event queue thread's priority, at once while it runs and for every later start: 0 to 99, above 0 under the real-time FIFO policy where the process may use it (CAP_SYS_NICE or an RLIMIT_RTPRIO that reaches it), else under the normal policy at 0.
    ///
    /// @param[in] aPriority 0 to 99
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER above 99 (nothing changes)
    KyResult SetInterruptQueueThreadPriority(uint32_t aPriority);

    /// The payload size the device streams with (its PayloadSize feature).
    ///
    /// @return bytes; 0 when it cannot be read
    virtual uint32_t GetPayloadSize();
    /// The connected device's unique ID (as KyDeviceInfo::GetUniqueID).
    ///
    /// @param[out] aUniqueID receives the ID
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED
    virtual KyResult GetUniqueID(KyString &aUniqueID) = 0;

protected:
    explicit KyDevice(KyDeviceType type);
    KyDevice(const KyDevice &) = delete;
    KyDevice &operator=(const KyDevice &) = delete;

    class EventSinks;
    EventSinks &Sinks() { return *mSinks; }
    class ThreadPriorities;
    ThreadPriorities &Priorities() { return *mPriorities; }
    /// Puts the transport's running threads under the priorities set; the default has none.
    virtual void ApplyThreadPriorities();

    /// The transport's access to device memory, under ReadMemory and WriteMemory: they check the range against MemoryAddressBits, answer KY_NOT_CONNECTED while the device is not connected, zero the destination of a failed read and tell the event sinks of what went through.
    ///
    /// The defaults answer KY_NOT_SUPPORTED.
    virtual KyResult TransportReadMemory(uint64_t aAddress, uint8_t *aDestination, size_t aByteCount);
    virtual KyResult TransportWriteMemory(uint64_t aAddress, const uint8_t *aSource, size_t aByteCount);
    /// The width of the transport's memory addresses: 32 or 63 (the default: any address an int64_t holds).
    virtual unsigned MemoryAddressBits() const;
    /// KY_NOT_CONNECTED, "the device is not connected".
    static KyResult NotConnected();
    /// KY_INVALID_PARAMETER for a negative count, a null buffer with a count, or a range that does not lie within the transport's address space.
    KyResult CheckMemoryRange(int64_t aAddress, int64_t aByteCount, bool aHaveBuffer) const;

    std::unique_ptr<KyGenParameterArray> mParameters;
    std::unique_ptr<KyGenParameterArray> mCommunicationParameters;

private:
    KY_LOCAL KyResult SetThreadPriority(ky::base::ThreadPriority &aPriority, uint32_t aValue);

    KyDeviceType mType;
    std::unique_ptr<EventSinks> mSinks;
    std::unique_ptr<ThreadPriorities> mPriorities;
};
