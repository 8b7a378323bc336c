// KyDeviceAdapter: presents one KyDevice through IKyDeviceAdapter.
//
// The adapter does not own the device, which must outlive it. A null device is accepted: every
// operation then answers KY_NOT_CONNECTED (or false). Null buffers with a non-zero length are
// refused with KY_INVALID_PARAMETER. The adapter registers itself with the device while it has
// IKyDeviceEventSink objects and with every parameter it watches (RegisterGenInvalidator); its
// destructor unregisters it from all of them.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include <memory>

#include "ky/device/IKyDeviceAdapter.h"
#include "ky/device/KyDeviceEventSink.h"
#include "ky/genicam/KyGenEventSink.h"

class KyDevice;

class KY_DEVICE_API KyDeviceAdapter : public IKyDeviceAdapter, public KyDeviceEventSink, public KyGenEventSink
{
public:
    /// Constructor.
    /// @param aDevice A device.
    explicit KyDeviceAdapter(KyDevice *aDevice);
    /// Destructor.
    ~KyDeviceAdapter() override;
    KyDeviceAdapter(const KyDeviceAdapter &) = delete;
    KyDeviceAdapter &operator=(const KyDeviceAdapter &) = delete;

    bool IsGenIntegerInNodeMap(const KyString &aParameterName) override;
    bool IsGenEnumInNodeMap(const KyString &aParameterName) override;
    bool IsGenBooleanInNodeMap(const KyString &aParameterName) override;
    bool IsGenRegisterInNodeMap(const KyString &aParameterName) override;
    bool IsGenReadable(const KyString &aParameterName) override;
    bool IsGenWritable(const KyString &aParameterName) override;
    bool IsGenEnumEntryAvailable(const KyString &aParameterName, const KyString &aEnumEntry) override;
    KyResult GetGenIntegerValue(const KyString &aParameterName, int64_t &aValue) override;
    KyResult GetGenEnumEntriesAvailable(const KyString &aParameterName, KyStringList &aList) override;
    KyResult GetGenEnumValue(const KyString &aParameterName, KyString &aEnumEntry) override;
    KyResult SetGenEnumValue(const KyString &aParameterName, const KyString &aEnumEntry) override;
    KyResult GetGenBooleanValue(const KyString &aParameterName, bool &aValue) override;
    KyResult SetGenBooleanValue(const KyString &aParameterName, bool aValue) override;
    KyResult GetGenStringValue(const KyString &aParameterName, KyString &aValue) override;
    KyResult GetGenRegisterLength(const KyString &aParameterName, int64_t &aLength) override;
    KyResult GetGenRegisterData(const KyString &aParameterName, uint8_t *aDataBuffer,
                                int64_t aByteCount) override;
    KyResult SetGenRegisterData(const KyString &aParameterName, const uint8_t *aDataBuffer,
                                int64_t aByteCount) override;
    KyResult RegisterGenInvalidator(const KyString &aParameterName) override;
    KyResult UnregisterGenInvalidator(const KyString &aParameterName) override;
    KyResult WriteRegister(int64_t aAddress, uint32_t aValue) override;
    KyResult ReadRegister(int64_t aAddress, uint32_t &aValue) override;
    KyResult WriteMemory(const uint8_t *aBuffer, int64_t aAddress, int64_t aLength) override;
    KyResult ReadMemory(uint8_t *aBuffer, int64_t aAddress, int64_t aLength) override;
    KyResult WaitForMessagingChannelIdle(uint32_t aTimeout) override;
    bool IsConnected() override;
    bool IsTesmarPowered() override;
    bool IsGigEVision() override;
    bool IsUSB3Vision() override;
    KyResult RegisterEventSink(IKyDeviceEventSink *aEventSink) override;
    KyResult UnregisterEventSink(IKyDeviceEventSink *aEventSink) override;
    KyResult GetUniqueID(KyString &aID) override;

    /// Forwarded to the registered IKyDeviceEventSink objects.
    /// @param aDevice the device
    void OnLinkDisconnected(KyDevice *aDevice) override;
    /// Forwarded to the registered IKyDeviceEventSink objects.
    void OnEvent(KyDevice *aDevice, uint16_t aEventID, uint16_t aChannel, uint64_t aBlockID,
                 uint64_t aTimestamp, const void *aData, uint32_t aDataLength) override;
    /// Forwarded to the registered IKyDeviceEventSink objects, for a watched parameter.
    /// @param aParameter the parameter
    void OnParameterUpdate(KyGenParameter *aParameter) override;

private:
    struct State;
    KyDevice *mDevice;
    std::unique_ptr<State> mState;
};
