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
    ///
    /// @param[in] aDevice A device.
    explicit KyDeviceAdapter(KyDevice *aDevice);
    /// Destructor.
    ~KyDeviceAdapter() override;
    KyDeviceAdapter(const KyDeviceAdapter &) = delete;
    KyDeviceAdapter &operator=(const KyDeviceAdapter &) = delete;

    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    ///
    /// @return True if the parameter is present, false if not.
    bool IsGenIntegerInNodeMap(const KyString &aParameterName) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    ///
    /// @return True if the parameter is present, false if not.
    bool IsGenEnumInNodeMap(const KyString &aParameterName) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    ///
    /// @return True if the parameter is present, false if not.
    bool IsGenBooleanInNodeMap(const KyString &aParameterName) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    ///
    /// @return True if the parameter is present, false if not.
    bool IsGenRegisterInNodeMap(const KyString &aParameterName) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    ///
    /// @return True if the parameter is present and readable, false if either condition fails.
    bool IsGenReadable(const KyString &aParameterName) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    ///
    /// @return True if the parameter is present and writable, false if either condition fails.
    bool IsGenWritable(const KyString &aParameterName) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    /// @param[in] aEnumEntry Name of the enum entry to test for.
    ///
    /// @return True if the parameter is present and contains the specific enum entry, false if either condition fails.
    bool IsGenEnumEntryAvailable(const KyString &aParameterName, const KyString &aEnumEntry) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aValue Value of the parameter.
    ///
    /// @return OK on success.
    KyResult GetGenIntegerValue(const KyString &aParameterName, int64_t &aValue) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aList A list containing the string representation of all available enum entries.
    ///
    /// @return OK on success.
    KyResult GetGenEnumEntriesAvailable(const KyString &aParameterName, KyStringList &aList) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aEnumEntry Value of the parameter.
    ///
    /// @return OK on success.
    KyResult GetGenEnumValue(const KyString &aParameterName, KyString &aEnumEntry) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[in] aEnumEntry New value for the enumeration.
    ///
    /// @return OK on success.
    KyResult SetGenEnumValue(const KyString &aParameterName, const KyString &aEnumEntry) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aValue Value of the parameter.
    ///
    /// @return OK on success.
    KyResult GetGenBooleanValue(const KyString &aParameterName, bool &aValue) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[in] aValue The new value.
    ///
    /// @return OK on success.
    KyResult SetGenBooleanValue(const KyString &aParameterName, bool aValue) override;
    /// Returns the string value of string parameter identified by its name.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aValue Value of the parameter.
    ///
    /// @return OK on success.
    KyResult GetGenStringValue(const KyString &aParameterName, KyString &aValue) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aLength Length (in bytes) of the register.
    ///
    /// @return OK on success.
    KyResult GetGenRegisterLength(const KyString &aParameterName, int64_t &aLength) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aDataBuffer Buffer where to copy the data.
    /// @param[in] aByteCount How many bytes to copy to aDataBuffer.
    ///
    /// @return OK on success.
    KyResult GetGenRegisterData(const KyString &aParameterName, uint8_t *aDataBuffer,
                                int64_t aByteCount) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[in] aDataBuffer Buffer to copy the data from.
    /// @param[in] aByteCount How many bytes to copy from aDataBuffer to the register.
    ///
    /// @return OK on success.
    KyResult SetGenRegisterData(const KyString &aParameterName, const uint8_t *aDataBuffer,
                                int64_t aByteCount) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter.
    ///
    /// @return OK on success.
    KyResult RegisterGenInvalidator(const KyString &aParameterName) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aParameterName Name of the parameter.
    ///
    /// @return OK on success.
    KyResult UnregisterGenInvalidator(const KyString &aParameterName) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aAddress Address of the register.
    /// @param[in] aValue Value to write to the register.
    ///
    /// @return OK on success.
    KyResult WriteRegister(int64_t aAddress, uint32_t aValue) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aAddress Address of the register.
    /// @param[out] aValue Value read from the register.
    ///
    /// @return OK on success.
    KyResult ReadRegister(int64_t aAddress, uint32_t &aValue) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aBuffer Pointer to the data to write.
    /// @param[in] aAddress Address where to write the data.
    /// @param[in] aLength Length of the data to write, in bytes.
    ///
    /// @return OK on success.
    KyResult WriteMemory(const uint8_t *aBuffer, int64_t aAddress, int64_t aLength) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[out] aBuffer Pointer of the buffer where the data will be written.
    /// @param[in] aAddress Address where to read the daa.
    /// @param[in] aLength Length of the data to read, in bytes.
    ///
    /// @return OK on success.
    KyResult ReadMemory(uint8_t *aBuffer, int64_t aAddress, int64_t aLength) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aTimeout A timeout.
    ///
    /// @return OK if the messaging channel is idle. TIMEOUT if the timeout elapsed before it becomes idle.
    KyResult WaitForMessagingChannelIdle(uint32_t aTimeout) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @return True if the device is connected, false if not.
    bool IsConnected() override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @return True if the device runs on a Tesmar design, false if not.
    bool IsTesmarPowered() override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @return True if using the GigE Vision protocol, false if not.
    bool IsGigEVision() override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @return True if using the USB3 Vision protocol, false if not.
    bool IsUSB3Vision() override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aEventSink Pointer to an object implementing the IKyDeviceEventSink interface.
    ///
    /// @return OK on success.
    KyResult RegisterEventSink(IKyDeviceEventSink *aEventSink) override;
    /// See IKyDeviceAdapter for description.
    ///
    /// @param[in] aEventSink Pointer to an object implementing the IKyDeviceEventSink interface.
    ///
    /// @return OK on success.
    KyResult UnregisterEventSink(IKyDeviceEventSink *aEventSink) override;
    /// Returns a unique string identifier for the device.
    ///
    /// @param[out] aID Unique string identifier for the device.
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER
    KyResult GetUniqueID(KyString &aID) override;

    /// Forwarded to the registered IKyDeviceEventSink objects.
    ///
    /// @param[in] aDevice the device
    void OnLinkDisconnected(KyDevice *aDevice) override;
    /// Forwarded to the registered IKyDeviceEventSink objects.
    void OnEvent(KyDevice *aDevice, uint16_t aEventID, uint16_t aChannel, uint64_t aBlockID,
                 uint64_t aTimestamp, const void *aData, uint32_t aDataLength) override;
    /// Forwarded to the registered IKyDeviceEventSink objects, for a watched parameter.
    ///
    /// @param[in] aParameter the parameter
    void OnParameterUpdate(KyGenParameter *aParameter) override;

private:
    struct State;
    KyDevice *mDevice;
    std::unique_ptr<State> mState;
};
