// IKyStreamingChannelSource: what feeds one stream channel of a software GigE Vision device.
//
// A program hands a source to KySoftDeviceGEV::AddStream before Start; the device keeps a plain
// pointer, so the source must outlive the device's use of it (until Stop returns).
//
// How the device drives a source:
// - Start (on the thread calling Start): CreateRegisters; GetSupportedPixelType(0, 1, ...) until
//   a failure, for the PixelFormat entries of the GenICam XML; CreateGenApiFeatures; then
//   GetGevSCPSPacketSizeInfo (the largest packet size the channel accepts, 9000 without it) and
//   AllocBuffer until it returns null, at most 64 times. The device streams images only.
// - OnOpen(destination IP, port) when a controller sets the channel's port (SCP) to non-zero,
//   OnClose when it sets it to zero, when control ends, or when the device stops.
// - AcquisitionStart (SingleFrame: one frame), on the channel's own thread: OnStreamingStart,
//   then per frame PreQueueBufferProc (false skips this round), QueueBuffer for each buffer not
//   held by the source (timestamped first, unless the device's stream timestamping is off),
//   RetrieveBuffer (an OK result with a buffer is sent with GVSP; a buffer with an error result
//   goes back unsent; no buffer is a quiet round), PostRetrieveBufferProc after each buffer.
// - AcquisitionStop, on the same thread: OnStreamingStop, AbortQueuedBuffers, then
//   RetrieveBuffer until every queued buffer is back (bounded; nothing of them is sent).
// - Stop: streaming stops as above, OnClose if open, then FreeBuffer for every allocated buffer.
// - The image format queries and setters come from register reads and writes (controller's
//   Width, Height, OffsetX, OffsetY, PixelFormat, PayloadSize) on the device's GVCP thread.
//   The device refuses format writes while streaming, so setters never race the frames.
//
// RetrieveBuffer should return within about 50 ms (KY_TIMEOUT and a null buffer when no image
// is ready) so that the channel can stop promptly. An exception thrown by a source is caught by
// the device, logged, and treated as a failure result (or null buffer, or false).
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KyBuffer;
class IKyRegisterMap;
class IKyRegisterFactory;
class IKyGenApiFactory;

class KY_VIRTUALDEVICE_API IKyStreamingChannelSource
{
public:
    IKyStreamingChannelSource() = default;
    /// Virtual destructor.
    virtual ~IKyStreamingChannelSource() { }

    // Image format queries.
    virtual uint32_t GetWidth() const = 0;
    virtual uint32_t GetHeight() const = 0;
    virtual uint32_t GetOffsetX() const = 0;
    virtual uint32_t GetOffsetY() const = 0;
    virtual KyPixelType GetPixelType() const = 0;
    virtual void GetWidthInfo(uint32_t &aMin, uint32_t &aMax, uint32_t &aInc) const = 0;
    virtual void GetHeightInfo(uint32_t &aMin, uint32_t &aMax, uint32_t &aInc) const = 0;
    // Chunk bytes per frame: each chunk's data plus 8 bytes of ID and length.
    virtual uint32_t GetChunksSize() const = 0;
    // Payload bytes per frame; 0 lets the device compute it from the format and GetChunksSize.
    virtual uint32_t GetPayloadSize() const = 0;
    virtual KyScanType GetScanType() const = 0;
    virtual bool GetChunkModeActive() const = 0;
    virtual bool GetChunkEnable(uint32_t aChunkID) const = 0;

    // Enumeration queries: asked by index from 0 until the result is not OK.
    virtual KyResult GetSupportedPixelType(int aIndex, KyPixelType &aPixelType) const = 0;
    virtual KyResult GetSupportedChunk(int aIndex, uint32_t &aChunkID, KyString &aChunkName) const = 0;
    // A maximum packet size other than 9000 (up to 65535); KY_NOT_IMPLEMENTED keeps 9000.
    virtual KyResult GetGevSCPSPacketSizeInfo(uint32_t &aMax) const
    {
        (void)aMax;
        return KyResult(KY_NOT_IMPLEMENTED);
    }

    // Image format setters: KY_OK accepts, any other code refuses (usually KY_GENERIC_ERROR).
    virtual KyResult SetWidth(uint32_t aWidth) = 0;
    virtual KyResult SetHeight(uint32_t aHeight) = 0;
    virtual KyResult SetOffsetX(uint32_t aOffsetX) = 0;
    virtual KyResult SetOffsetY(uint32_t aOffsetY) = 0;
    virtual KyResult SetPixelType(KyPixelType aPixelType) = 0;
    virtual KyResult SetChunkModeActive(bool aEnabled) = 0;
    virtual KyResult SetChunkEnable(uint32_t aChunkID, bool aEnabled) = 0;

    // Channel life.
    virtual void OnOpen(const KyString &aDestIP, uint16_t aDestPort) = 0;
    virtual void OnClose() = 0;
    virtual void OnStreamingStart() = 0;
    virtual void OnStreamingStop() = 0;

    // Buffer exchange. Buffers from AllocBuffer stay the source's; the device hands each back
    // through FreeBuffer when it stops.
    virtual KyBuffer *AllocBuffer() = 0;
    virtual void FreeBuffer(KyBuffer *aBuffer) = 0;
    virtual KyResult QueueBuffer(KyBuffer *aBuffer) = 0;
    virtual bool PreQueueBufferProc() { return true; }
    virtual void PostRetrieveBufferProc() { }
    virtual KyResult RetrieveBuffer(KyBuffer **aBuffer) = 0;
    virtual void AbortQueuedBuffers() = 0;

    // Creation hooks (inside Start) and payload options.
    virtual void CreateRegisters(IKyRegisterMap *aRegisterMap, IKyRegisterFactory *aFactory)
    {
        (void)aRegisterMap;
        (void)aFactory;
    }
    virtual void CreateGenApiFeatures(IKyRegisterMap *aRegisterMap, IKyGenApiFactory *aFactory)
    {
        (void)aRegisterMap;
        (void)aFactory;
    }
    virtual bool IsPayloadTypeSupported(KyPayloadType aPayloadType)
    {
        (void)aPayloadType;
        return false;
    }
    virtual void SetMultiPartAllowed(bool aAllowed) { (void)aAllowed; }
    virtual void SetLargeLeaderTrailerEnabled(bool aEnabled, uint32_t aMaxMultiPartCount)
    {
        (void)aEnabled;
        (void)aMaxMultiPartCount;
    }
    virtual KyResult SetTestPayloadFormatMode(KyPayloadType aPayloadType)
    {
        (void)aPayloadType;
        return KyResult(KY_NOT_SUPPORTED);
    }
};
