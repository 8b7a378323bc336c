// IKyDeviceAdapter: access to one device through names, registers and memory, for the parts of
// the SDK that work on any kind of device (the serial port, KyDeviceSerialPort).
#pragma once

#include "ky/device/KyDeviceExport.h"

#include <cstdint>

#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"
#include "ky/device/KyStringList.h"

class IKyDeviceEventSink;

class KY_DEVICE_API IKyDeviceAdapter
{
public:
    /// Destructor.
    virtual ~IKyDeviceAdapter() = default;

    /// Whether the device has an integer feature of that name.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    ///
    /// @return True if the parameter is present, false if not.
    virtual bool IsGenIntegerInNodeMap(const KyString &aParameterName) = 0;
    /// Whether the device has an enumeration feature of that name.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    ///
    /// @return True if the parameter is present, false if not.
    virtual bool IsGenEnumInNodeMap(const KyString &aParameterName) = 0;
    /// Whether the device has a boolean feature of that name.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    ///
    /// @return True if the parameter is present, false if not.
    virtual bool IsGenBooleanInNodeMap(const KyString &aParameterName) = 0;
    /// Whether the device has a register feature of that name.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    ///
    /// @return True if the parameter is present, false if not.
    virtual bool IsGenRegisterInNodeMap(const KyString &aParameterName) = 0;
    /// Whether the feature is present and readable.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    ///
    /// @return True if the parameter is present and readable, false if either condition fails.
    virtual bool IsGenReadable(const KyString &aParameterName) = 0;
    /// Whether the feature is present and writable.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    ///
    /// @return True if the parameter is present and writable, false if either condition fails.
    virtual bool IsGenWritable(const KyString &aParameterName) = 0;
    /// Whether the enumeration is present and has that entry available.
    ///
    /// @param[in] aParameterName Name of the parameter to test for.
    /// @param[in] aEnumEntry Name of the enum entry to test for.
    ///
    /// @return True if the parameter is present and contains the specific enum entry, false if
    ///         either condition fails.
    virtual bool IsGenEnumEntryAvailable(const KyString &aParameterName, const KyString &aEnumEntry) = 0;

    /// Reads an integer feature.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aValue Value of the parameter.
    ///
    /// @return OK on success.
    virtual KyResult GetGenIntegerValue(const KyString &aParameterName, int64_t &aValue) = 0;
    /// Lists the available entries of an enumeration.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aList A list containing the string representation of all available enum entries.
    ///
    /// @return OK on success.
    virtual KyResult GetGenEnumEntriesAvailable(const KyString &aParameterName, KyStringList &aList) = 0;
    /// Reads an enumeration feature.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aEnumEntry The current entry.
    ///
    /// @return OK on success.
    virtual KyResult GetGenEnumValue(const KyString &aParameterName, KyString &aEnumEntry) = 0;
    /// Writes an enumeration feature.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[in] aEnumEntry The new entry.
    ///
    /// @return OK on success.
    virtual KyResult SetGenEnumValue(const KyString &aParameterName, const KyString &aEnumEntry) = 0;
    /// Reads a boolean feature.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aValue Value of the parameter.
    ///
    /// @return OK on success.
    virtual KyResult GetGenBooleanValue(const KyString &aParameterName, bool &aValue) = 0;
    /// Writes a boolean feature.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[in] aValue The new value.
    ///
    /// @return OK on success.
    virtual KyResult SetGenBooleanValue(const KyString &aParameterName, bool aValue) = 0;
    /// Reads a string feature.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aValue Value of the parameter.
    ///
    /// @return OK on success.
    virtual KyResult GetGenStringValue(const KyString &aParameterName, KyString &aValue) = 0;
    /// The length of a register feature.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aLength Length of the register in bytes.
    ///
    /// @return OK on success.
    virtual KyResult GetGenRegisterLength(const KyString &aParameterName, int64_t &aLength) = 0;
    /// Reads a register feature.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[out] aDataBuffer Receives the bytes.
    /// @param[in] aByteCount How many bytes.
    ///
    /// @return OK on success.
    virtual KyResult GetGenRegisterData(const KyString &aParameterName, uint8_t *aDataBuffer,
                                        int64_t aByteCount) = 0;
    /// Writes a register feature.
    ///
    /// @param[in] aParameterName Name of the parameter.
    /// @param[in] aDataBuffer The bytes.
    /// @param[in] aByteCount How many bytes.
    ///
    /// @return OK on success.
    virtual KyResult SetGenRegisterData(const KyString &aParameterName, const uint8_t *aDataBuffer,
                                        int64_t aByteCount) = 0;
    /// Watches a feature: its updates reach the registered IKyDeviceEventSink objects.
    ///
    /// @param[in] aParameterName Name of the parameter.
    ///
    /// @return OK on success.
    virtual KyResult RegisterGenInvalidator(const KyString &aParameterName) = 0;
    /// Stops watching a feature.
    ///
    /// @param[in] aParameterName Name of the parameter.
    ///
    /// @return OK on success.
    virtual KyResult UnregisterGenInvalidator(const KyString &aParameterName) = 0;

    /// Writes a 32-bit register.
    ///
    /// @param[in] aAddress Address of the register.
    /// @param[in] aValue The value.
    ///
    /// @return OK on success.
    virtual KyResult WriteRegister(int64_t aAddress, uint32_t aValue) = 0;
    /// Reads a 32-bit register.
    ///
    /// @param[in] aAddress Address of the register.
    /// @param[out] aValue Receives the value.
    ///
    /// @return OK on success.
    virtual KyResult ReadRegister(int64_t aAddress, uint32_t &aValue) = 0;
    /// Writes device memory.
    ///
    /// @param[in] aBuffer The bytes.
    /// @param[in] aAddress Address of the first byte.
    /// @param[in] aLength How many bytes.
    ///
    /// @return OK on success.
    virtual KyResult WriteMemory(const uint8_t *aBuffer, int64_t aAddress, int64_t aLength) = 0;
    /// Reads device memory.
    ///
    /// @param[out] aBuffer Receives the bytes.
    /// @param[in] aAddress Address of the first byte.
    /// @param[in] aLength How many bytes.
    ///
    /// @return OK on success.
    virtual KyResult ReadMemory(uint8_t *aBuffer, int64_t aAddress, int64_t aLength) = 0;
    /// Returns once every received event has been handed on, or the time-out has passed.
    ///
    /// @param[in] aTimeout Time-out in milliseconds.
    ///
    /// @return OK on success.
    virtual KyResult WaitForMessagingChannelIdle(uint32_t aTimeout) = 0;

    /// Whether the device is connected.
    ///
    /// @return True if connected.
    virtual bool IsConnected() = 0;
    /// Whether the device is Tesmar powered.
    ///
    /// @return True if Tesmar powered.
    virtual bool IsTesmarPowered() = 0;
    /// Whether the device is a GigE Vision device.
    ///
    /// @return True for a GigE Vision device.
    virtual bool IsGigEVision() = 0;
    /// Whether the device is a USB3 Vision device.
    ///
    /// @return True for a USB3 Vision device.
    virtual bool IsUSB3Vision() = 0;

    /// Registers a sink for the device's events; a sink may be registered once.
    ///
    /// @param[in] aEventSink The sink, kept alive by the caller while registered.
    ///
    /// @return OK on success.
    virtual KyResult RegisterEventSink(IKyDeviceEventSink *aEventSink) = 0;
    /// Unregisters a sink.
    ///
    /// @param[in] aEventSink The sink.
    ///
    /// @return OK on success.
    virtual KyResult UnregisterEventSink(IKyDeviceEventSink *aEventSink) = 0;
    /// The device's unique ID.
    ///
    /// @param[out] aID Receives the ID.
    ///
    /// @return OK on success.
    virtual KyResult GetUniqueID(KyString &aID) = 0;
};
