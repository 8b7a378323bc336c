// IKyStreamingChannelSource: what feeds one stream channel of a software GigE Vision device.
//
// A program hands a source to KySoftDeviceGEV::AddStream before Start; the device keeps a plain
// pointer, so the source must outlive the device's use of it (until Stop returns).
//
// How the device drives a source:
// - Start (on the thread calling Start): CreateRegisters; GetSupportedPixelType(0, 1, ...) until
//   a failure, for the PixelFormat entries of the GenICam XML, at most 256 indices (a source that
//   always answers OK gives its first 256 answers; a type or name given twice is listed once; a
//   source that gives none fails Start, since PixelFormat needs an entry); CreateGenApiFeatures;
//   then GetGevSCPSPacketSizeInfo (the largest packet size the channel accepts, 9000 without it)
//   and AllocBuffer until it returns null, at most 64 times, a buffer given a second time ending
//   the round (it is taken once). GetSupportedChunk is asked like the pixel types (at most 256
//   indices, an ID or name given twice listed once); a source with chunk types gets the
//   ChunkModeActive, ChunkSelector and ChunkEnable features. Chunks the source appends to a
//   buffer (KyBuffer::AddChunk) are sent after the image, which is then tagged as a chunk too:
//   the PayloadSize counts 8 bytes for that tag besides GetChunksSize.
// - OnOpen(destination IP, port) when a controller sets the channel's port (SCP) to non-zero,
//   OnClose when it sets it to zero, when control ends, or when the device stops; the channel
//   stops streaming (OnStreamingStop) before it closes.
// - AcquisitionStart (SingleFrame: one frame), on the channel's own thread: OnStreamingStart,
//   then per frame PreQueueBufferProc (false skips this round), QueueBuffer for each buffer not
//   held by the source (timestamped first, unless the device's stream timestamping is off),
//   RetrieveBuffer (an OK result with a buffer is sent with GVSP; a buffer with an error result
//   goes back unsent; no buffer is a quiet round), PostRetrieveBufferProc after each buffer.
//   Only buffers that the channel queued and the source has not given back are taken: any other
//   pointer is ignored. A frame is sent only when its image (with its chunks) fits the
//   PayloadSize read when streaming started (the receivers' buffers are that large); a larger
//   one goes back unsent.
// - AcquisitionStop, on the same thread: OnStreamingStop, AbortQueuedBuffers, then
//   RetrieveBuffer until every queued buffer is back (bounded; nothing of them is sent).
// - Stop: streaming stops as above, OnClose if open (on the thread calling Stop), then
//   FreeBuffer for every allocated buffer.
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

    // ----- Image format queries (a controller's register reads, on the device's GVCP thread).

    /// The current image width, which the device reports as its Width feature.
    ///
    /// @return the width in pixels
    virtual uint32_t GetWidth() const = 0;
    /// The current image height, which the device reports as its Height feature.
    ///
    /// @return the height in pixels (lines)
    virtual uint32_t GetHeight() const = 0;
    /// The current image offset X, which the device reports as its OffsetX feature.
    ///
    /// @return the horizontal offset in pixels
    virtual uint32_t GetOffsetX() const = 0;
    /// The current image offset Y, which the device reports as its OffsetY feature.
    ///
    /// @return the vertical offset in pixels
    virtual uint32_t GetOffsetY() const = 0;
    /// The current pixel type, which the device reports as its PixelFormat feature.
    ///
    /// @return a KyPixelType value (KyPixelMono8 ...)
    virtual KyPixelType GetPixelType() const = 0;
    /// IKyStreamingChannelSource::GetWidthInfo() -> ( aMin, aMax, aInc )
    ///
    /// Minimum, maximum and increment of the Width feature, which the device adds by itself to
    /// its GenICam XML file (WidthMin, WidthMax, WidthInc). A Python override returns the tuple
    /// (aMin, aMax, aInc) of three ints.
    ///
    /// @param[out] aMin the smallest width
    /// @param[out] aMax the largest width
    /// @param[out] aInc the step between widths
    virtual void GetWidthInfo(uint32_t &aMin, uint32_t &aMax, uint32_t &aInc) const = 0;
    /// IKyStreamingChannelSource::GetHeightInfo() -> ( aMin, aMax, aInc )
    ///
    /// Minimum, maximum and increment of the Height feature, which the device adds by itself to
    /// its GenICam XML file (HeightMin, HeightMax, HeightInc). A Python override returns the tuple
    /// (aMin, aMax, aInc) of three ints.
    ///
    /// @param[out] aMin the smallest height
    /// @param[out] aMax the largest height
    /// @param[out] aInc the step between heights
    virtual void GetHeightInfo(uint32_t &aMin, uint32_t &aMax, uint32_t &aInc) const = 0;
    /// The chunk data size as currently configured: each chunk counts its data plus 4 bytes of chunk ID and 4 bytes of chunk length (a single 64-byte chunk is 72).
    ///
    /// The device adds it to the PayloadSize it computes, with 8 bytes more for the image's own chunk tag
    /// when it is not 0.
    ///
    /// @return bytes of chunk data per frame; 0 without chunks
    virtual uint32_t GetChunksSize() const = 0;
    /// The payload size in bytes.
    ///
    /// 0 lets the device compute it from width, height, pixel type and GetChunksSize; another value is
    /// reported unchanged, with nothing added. The device sends no frame larger than this PayloadSize.
    ///
    /// @return the payload size in bytes, or 0
    virtual uint32_t GetPayloadSize() const = 0;
    /// The scan type of the source (this device streams area images and does not ask it).
    ///
    /// @return KyScanTypeArea for an area-scan source, KyScanTypeLine for a line-scan source
    virtual KyScanType GetScanType() const = 0;
    /// The master chunk mode; a source without chunks answers false.
    ///
    /// The device reads it for its ChunkModeActive feature.
    ///
    /// @return true when chunk mode is on
    virtual bool GetChunkModeActive() const = 0;
    /// The enabled state the source keeps for a chunk type it supports: it appends that chunk to its data when the chunk is enabled and chunk mode is on.
    ///
    /// The device reads it for its ChunkEnable feature, the chunk being the one ChunkSelector selects.
    ///
    /// @param[in] aChunkID the chunk ID
    ///
    /// @return true when the chunk is enabled
    virtual bool GetChunkEnable(uint32_t aChunkID) const = 0;

    // ----- Enumeration queries (inside Start): asked by index from 0 until the result is not OK.

    /// IKyStreamingChannelSource::GetSupportedPixelType( aIndex ) -> ( aResult, aPixelType )
    ///
    /// The supported pixel types, by index: the device asks index 0, 1, 2 and so on (at most 256)
    /// until the result is not OK, and lists each type once among the PixelFormat entries. For
    /// Mono8 and BayerRG8: index 0 gives (KY_OK, KyPixelMono8), 1 gives (KY_OK, KyPixelBayerRG8),
    /// 2 gives (KY_INVALID_PARAMETER, 0). A Python override returns that tuple.
    ///
    /// @param[in] aIndex the index asked, from 0
    /// @param[out] aPixelType the pixel type at that index
    ///
    /// @return KY_OK with a type, any other code after the last one
    virtual KyResult GetSupportedPixelType(int aIndex, KyPixelType &aPixelType) const = 0;
    /// IKyStreamingChannelSource::GetSupportedChunk( aIndex ) -> ( aResult, aChunkID, aChunkName )
    ///
    /// The supported chunk types, by index as for the pixel types; an OK answer carries the chunk
    /// ID and its name, which should begin with "Chunk". The device lists each ID once among the
    /// ChunkSelector entries (at most 256 indices asked). A Python override returns the tuple
    /// (KyResult, chunk ID, name).
    ///
    /// @param[in] aIndex the index asked, from 0
    /// @param[out] aChunkID the chunk ID at that index
    /// @param[out] aChunkName the chunk's name
    ///
    /// @return KY_OK with a chunk, any other code after the last one
    virtual KyResult GetSupportedChunk(int aIndex, uint32_t &aChunkID, KyString &aChunkName) const = 0;
    /// IKyStreamingChannelSource::GetGevSCPSPacketSizeInfo() -> ( aResult, aMax )
    ///
    /// Optional: a maximum for GevSCPSPacketSize, the stream's packet size, other than the
    /// default 9000 bytes (up to 65535). KY_OK means the maximum was given; KY_NOT_IMPLEMENTED
    /// (the base answer) or any other code keeps 9000. A Python override returns the tuple
    /// (KyResult, maximum).
    ///
    /// @param[out] aMax the largest packet size in bytes
    ///
    /// @return KY_OK when aMax holds the maximum
    virtual KyResult GetGevSCPSPacketSizeInfo(uint32_t &aMax) const
    {
        (void)aMax;
        return KyResult(KY_NOT_IMPLEMENTED);
    }

    // ----- Image format setters (a controller's register writes, on the device's GVCP thread;
    // refused by the device while the channel streams).

    /// A controller sets the Width feature.
    ///
    /// @param[in] aWidth the new width in pixels
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    virtual KyResult SetWidth(uint32_t aWidth) = 0;
    /// A controller sets the Height feature.
    ///
    /// @param[in] aHeight the new height in pixels
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    virtual KyResult SetHeight(uint32_t aHeight) = 0;
    /// A controller sets the OffsetX feature.
    ///
    /// @param[in] aOffsetX the new horizontal offset in pixels
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    virtual KyResult SetOffsetX(uint32_t aOffsetX) = 0;
    /// A controller sets the OffsetY feature.
    ///
    /// @param[in] aOffsetY the new vertical offset in pixels
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    virtual KyResult SetOffsetY(uint32_t aOffsetY) = 0;
    /// A controller sets the PixelFormat feature.
    ///
    /// @param[in] aPixelType the new pixel type, one the source listed in GetSupportedPixelType
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    virtual KyResult SetPixelType(KyPixelType aPixelType) = 0;
    /// A controller sets the ChunkModeActive feature (refused by the device while the channel streams).
    ///
    /// @param[in] aEnabled true to turn chunk mode on
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    virtual KyResult SetChunkModeActive(bool aEnabled) = 0;
    /// A controller sets the ChunkEnable feature of the chunk type ChunkSelector selects (refused by the device while the channel streams).
    ///
    /// @param[in] aChunkID the chunk ID
    /// @param[in] aEnabled true to enable the chunk
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    virtual KyResult SetChunkEnable(uint32_t aChunkID, bool aEnabled) = 0;

    // ----- Channel life.

    /// The stream channel was opened: a controller set its destination port (SCP).
    ///
    /// Called on the device's GVCP thread.
    ///
    /// @param[in] aDestIP the destination's IP address, dotted quad (SCDA); valid during the call only
    /// @param[in] aDestPort the destination's UDP port (SCP)
    virtual void OnOpen(const KyString &aDestIP, uint16_t aDestPort) = 0;
    /// The stream channel was closed: its port was set to 0, control ended, or the device stopped (then on the thread calling Stop).
    ///
    /// Streaming has stopped before.
    virtual void OnClose() = 0;
    /// The controller asked the device to start streaming on this channel.
    ///
    /// Called on the channel's own thread, before the first QueueBuffer.
    virtual void OnStreamingStart() = 0;
    /// The controller asked the device to stop streaming on this channel (or the channel closes).
    ///
    /// Called on the channel's own thread, before AbortQueuedBuffers.
    virtual void OnStreamingStop() = 0;

    // ----- Buffer exchange.

    /// At start the device asks the source for buffers, one call per buffer, until it answers null (None); buffers must be unique.
    ///
    /// More buffers allow more images queued for acquisition, at the cost of memory; one channel uses at most
    /// 64, and the device asks no further after the 64th. The buffers stay the source's: the program must not
    /// delete them while the device runs; FreeBuffer hands each back when the device stops.
    ///
    /// @return a buffer, or null when there are no more
    virtual KyBuffer *AllocBuffer() = 0;
    /// When the device stops, it hands back each buffer that AllocBuffer gave it, so that the source frees or releases it.
    ///
    /// Called on the thread calling Stop.
    ///
    /// @param[in] aBuffer a buffer AllocBuffer gave
    virtual void FreeBuffer(KyBuffer *aBuffer) = 0;
    /// The device offers a buffer for acquisition, on the channel's thread.
    ///
    /// @param[in] aBuffer a buffer AllocBuffer gave
    ///
    /// @return KY_OK accepts it; any error code (for example when the source's queue is full)
    ///         refuses it, and the device offers it again later
    virtual KyResult QueueBuffer(KyBuffer *aBuffer) = 0;
    /// A hook of the channel's loop before buffers are queued: true lets the loop go on with queueing and retrieving, false skips this round.
    ///
    /// Keep the base behaviour (true) unless the source must hold the loop.
    ///
    /// @return true to go on
    virtual bool PreQueueBufferProc() { return true; }
    /// A hook of the channel's loop after a buffer was retrieved. The base does nothing.
    virtual void PostRetrieveBufferProc() { }
    /// IKyStreamingChannelSource::RetrieveBuffer( notused ) -> ( aResult, aBuffer )
    ///
    /// The device takes back a buffer that holds a valid image, which it then sends with GVSP;
    /// also used to take back the aborted buffers after AbortQueuedBuffers. Wait for an image
    /// in slices of 10, 20 or 50 ms, answering KY_TIMEOUT and no buffer when none is ready, so
    /// that the device can stop streaming promptly. A Python override takes one argument
    /// (notused: the out-parameter, unused) and returns the tuple (KyResult, KyBuffer or None).
    ///
    /// @param[out] aBuffer where the buffer goes (null for none)
    ///
    /// @return KY_OK with a buffer to send; another code with a buffer gives it back unsent
    virtual KyResult RetrieveBuffer(KyBuffer **aBuffer) = 0;
    /// Blocks until acquisition has been aborted for every buffer given by QueueBuffer and not yet retrieved; afterwards RetrieveBuffer must return each of them.
    virtual void AbortQueuedBuffers() = 0;

    // ----- Creation hooks (inside Start, on the thread calling Start) and payload options.

    /// The source creates its own registers, if it needs any, with the register factory into the device's register map.
    ///
    /// Called inside Start, before CreateGenApiFeatures. Sources of one class must still use distinct
    /// addresses (for example 0x20000000 + 0x1000 x source index + offset) and should use distinct names. The
    /// base does nothing.
    ///
    /// @param[in] aRegisterMap the device's register map
    /// @param[in] aFactory the register factory
    virtual void CreateRegisters(IKyRegisterMap *aRegisterMap, IKyRegisterFactory *aFactory)
    {
        (void)aRegisterMap;
        (void)aFactory;
    }
    /// The source declares the GenICam features of its channel with the GenApi factory (features of the whole device belong to the event sink's OnCreateCustomGenApiFeatures).
    ///
    /// Called inside Start, after CreateRegisters. The base does nothing.
    ///
    /// @param[in] aRegisterMap the device's register map
    /// @param[in] aFactory the GenApi factory
    virtual void CreateGenApiFeatures(IKyRegisterMap *aRegisterMap, IKyGenApiFactory *aFactory)
    {
        (void)aRegisterMap;
        (void)aFactory;
    }
    /// Whether the source can stream buffers of a payload type.
    ///
    /// Not asked by this device, which streams images.
    ///
    /// @param[in] aPayloadType a KyPayloadType value
    ///
    /// @return true when supported; the base answers false
    virtual bool IsPayloadTypeSupported(KyPayloadType aPayloadType)
    {
        (void)aPayloadType;
        return false;
    }
    /// Whether the source may (not must) send multi-part data.
    ///
    /// Not called by this device, which streams images only. The base does nothing.
    ///
    /// @param[in] aAllowed true when allowed
    virtual void SetMultiPartAllowed(bool aAllowed) { (void)aAllowed; }
    /// Whether large leader and trailer packets are in use for multi-part data, and how many parts are allowed.
    ///
    /// Not called by this device. The base does nothing.
    ///
    /// @param[in] aEnabled true when in use
    /// @param[in] aMaxMultiPartCount the number of parts allowed
    virtual void SetLargeLeaderTrailerEnabled(bool aEnabled, uint32_t aMaxMultiPartCount)
    {
        (void)aEnabled;
        (void)aMaxMultiPartCount;
    }
    /// Asks the source to send test payloads of a payload type (not called by this device).
    ///
    /// @param[in] aPayloadType a KyPayloadType value
    ///
    /// @return KY_OK accepts it; KY_NOT_SUPPORTED (the base answer) refuses it
    virtual KyResult SetTestPayloadFormatMode(KyPayloadType aPayloadType)
    {
        (void)aPayloadType;
        return KyResult(KY_NOT_SUPPORTED);
    }
};
