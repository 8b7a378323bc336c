// KyStreamU3V: receiver of a USB3 Vision stream channel.
//
// Open finds the device by its GUID (the record from discovery, or the GUID as text), sets up
// the device's stream interface over its control pipe and starts the receive thread; the device
// streams once acquisition is started on it (KyDeviceU3V, AcquisitionStart). Only one receiver
// may stream from a device at a time. Blocks go into the queued buffers; a buffer too small for
// its block comes back with KY_BUFFER_TOO_SMALL, holding what fitted, and nothing is written
// past it. When the device goes away (unplugged) the buffers queued come back with
// KY_NOT_CONNECTED and the stream counts as closed.
//
// Parameters (GetParameters) add to the stream base's: the transfer settings the stream was
// opened with and the receiver's transfer counters (TransfersReceived, ...).
#pragma once

#include "ky/stream/KyStreamExport.h"

#include <cstdint>
#include <memory>

#include "ky/stream/KyStream.h"

class KY_STREAM_API KyStreamU3V : public KyStream
{
public:
    /// Makes a closed USB3 Vision stream.
    KyStreamU3V();
    /// Destructor: closes the stream.
    ~KyStreamU3V() override;

    /// Opens on the device of the record, channel 0, with the default transfer settings.
    ///
    /// @param[in] aDeviceInfo the device information from discovery
    ///
    /// @return as the full Open below
    KyResult Open(const KyDeviceInfo *aDeviceInfo) override;
    /// Opens on the device of the record.
    ///
    /// @param[in] aDeviceInfo the device information from discovery
    /// @param[in] aChannel the transmitter's streaming channel
    /// @param[in] aBuffersCapacity the most buffers the data receiver holds at one time (0 is refused)
    /// @param[in] aSmallImageThreshold the size up to which images are exchanged with the driver by
    ///        copy instead of being received straight into the queued buffer
    /// @param[in] aMaximumNumberOfPendingURB the most transfer requests pending in the USB host
    ///        controller at one time: the payload of a block is asked for in at most this many
    ///        transfers (0 is refused)
    ///
    /// @return KY_OK, KY_BUSY (only one receiver may be open on one transmitter at a time),
    ///        KY_NOT_CONNECTED, KY_GENERIC_ERROR, KY_NOT_FOUND (no such device or channel),
    ///        KY_NOT_SUPPORTED (no USB3 Vision record), KY_INVALID_PARAMETER (null record, a
    ///        capacity or transfer count of 0), KY_STATE_ERROR (open already)
    KyResult Open(const KyDeviceInfo *aDeviceInfo, uint16_t aChannel, uint32_t aBuffersCapacity = 64,
                  uint32_t aSmallImageThreshold = 512, uint32_t aMaximumNumberOfPendingURB = 64);
    /// Opens on the device of a GUID, channel 0, with the default transfer settings.
    ///
    /// @param[in] aInfo the device's USB3 Vision GUID as text
    ///
    /// @return as the full Open below
    KyResult Open(const KyString &aInfo) override;
    /// Opens on the device of a GUID.
    ///
    /// @param[in] aInfo the device's USB3 Vision GUID as text
    /// @param[in] aChannel the transmitter's streaming channel
    /// @param[in] aBuffersCapacity the most buffers the data receiver holds at one time (0 is refused)
    /// @param[in] aSmallImageThreshold the size up to which images are exchanged with the driver by
    ///        copy instead of being received straight into the queued buffer
    /// @param[in] aMaximumNumberOfPendingURB the most transfer requests pending in the USB host
    ///        controller at one time (0 is refused)
    ///
    /// @return KY_OK, KY_BUSY, KY_NOT_CONNECTED, KY_GENERIC_ERROR, KY_NOT_FOUND,
    ///        KY_INVALID_PARAMETER (empty text, a capacity or transfer count of 0), KY_STATE_ERROR
    KyResult Open(const KyString &aInfo, uint16_t aChannel, uint32_t aBuffersCapacity = 64,
                  uint32_t aSmallImageThreshold = 512, uint32_t aMaximumNumberOfPendingURB = 64);
    /// The GUID of the device the stream is open on.
    ///
    /// @return the GUID; empty while the stream was never opened
    KyString GetGUID();
    /// The stream's transport.
    ///
    /// @return KyStreamTypeU3V
    KyStreamType GetType() const override { return KyStreamTypeU3V; }

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};
