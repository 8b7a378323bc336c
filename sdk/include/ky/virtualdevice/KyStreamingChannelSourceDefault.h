// KyStreamingChannelSourceDefault: a stream source that keeps an image format (width, height,
// offsets, pixel type) and a set of buffers, and knows the kit's test pattern. Subclasses
// supply the frames: QueueBuffer and RetrieveBuffer stay to be written (see
// KyStreamingChannelSourceTestPattern for a complete source).
//
// Format: width and height from 1 to 16384 in steps of 1, with offset + size never above 16384;
// pixel types Mono8, BayerGR8, BayerRG8, BayerGB8 and BayerBG8 (GetSupportedPixelType indices 0
// to 4, KY_INVALID_PARAMETER after). A refused setting gives KY_GENERIC_ERROR with a text and
// leaves the format as it was. No chunks: chunk mode can only be off. Payload: images only.
//
// Buffers: AllocBuffer makes up to the constructor's buffer count (1 to 64) of buffers holding an
// image of the format current at that time; FreeBuffer deletes one of them (others are ignored);
// the destructor deletes what is left.
//
// Test pattern: pixel (x, y) of frame N, at sensor position X = x + OffsetX, Y = y + OffsetY,
// holds TestPatternValue(X, Y, N) = (X + 3*Y + 5*N + ((X ^ Y) >> 4)) mod 256 for every pixel type
// the class supports (for the Bayer types it is the raw cell value). FillTestPattern writes it.
//
// Thread safety: queries and setters may come from any thread (the format is kept under a lock).
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "ky/virtualdevice/IKyStreamingChannelSource.h"

class KY_VIRTUALDEVICE_API KyStreamingChannelSourceDefault : public IKyStreamingChannelSource
{
public:
    static constexpr uint32_t kMaxSize = 16384;
    static constexpr size_t kMaxBuffers = 64;

    /// Default constructor.
    ///
    /// @param[in] aWidth Default width of the image source.
    /// @param[in] aHeight Default height of the image source.
    /// @param[in] aPixelType Default pixel type of the image source.
    /// @param[in] aBufferCount Number of buffers to allocate for streaming.
    KyStreamingChannelSourceDefault(uint32_t aWidth = 640, uint32_t aHeight = 480,
                                    KyPixelType aPixelType = KyPixelMono8, size_t aBufferCount = 16);
    /// Destructor
    ~KyStreamingChannelSourceDefault() override;
    KyStreamingChannelSourceDefault(const KyStreamingChannelSourceDefault &) = delete;
    KyStreamingChannelSourceDefault &operator=(const KyStreamingChannelSourceDefault &) = delete;

    /// The current image width, which the device reports as its Width feature.
    ///
    /// @return the width in pixels
    uint32_t GetWidth() const override;
    /// The current image height, which the device reports as its Height feature.
    ///
    /// @return the height in pixels (lines)
    uint32_t GetHeight() const override;
    /// The current image offset X, which the device reports as its OffsetX feature.
    ///
    /// @return the horizontal offset in pixels
    uint32_t GetOffsetX() const override;
    /// The current image offset Y, which the device reports as its OffsetY feature.
    ///
    /// @return the vertical offset in pixels
    uint32_t GetOffsetY() const override;
    /// The current pixel type, which the device reports as its PixelFormat feature.
    ///
    /// @return a KyPixelType value (KyPixelMono8 ...)
    KyPixelType GetPixelType() const override;
    /// IKyStreamingChannelSource::GetWidthInfo() -> ( aMin, aMax, aInc )
    ///
    /// Minimum, maximum and increment of the Width feature, which the device adds by itself to
    /// its GenICam XML file (WidthMin, WidthMax, WidthInc). A Python override returns the tuple
    /// (aMin, aMax, aInc) of three ints. This class answers (1, 16384, 1).
    ///
    /// @param[out] aMin the smallest width
    /// @param[out] aMax the largest width
    /// @param[out] aInc the step between widths
    void GetWidthInfo(uint32_t &aMin, uint32_t &aMax, uint32_t &aInc) const override;
    /// IKyStreamingChannelSource::GetHeightInfo() -> ( aMin, aMax, aInc )
    ///
    /// Minimum, maximum and increment of the Height feature, which the device adds by itself to
    /// its GenICam XML file (HeightMin, HeightMax, HeightInc). A Python override returns the tuple
    /// (aMin, aMax, aInc) of three ints. This class answers (1, 16384, 1).
    ///
    /// @param[out] aMin the smallest height
    /// @param[out] aMax the largest height
    /// @param[out] aInc the step between heights
    void GetHeightInfo(uint32_t &aMin, uint32_t &aMax, uint32_t &aInc) const override;
    /// The chunk data size as currently configured: each chunk counts its data plus 4 bytes of chunk ID and 4 bytes of chunk length (a single 64-byte chunk is 72).
    ///
    /// The device adds it to the PayloadSize it computes, with 8 bytes more for the image's own chunk tag
    /// when it is not 0. This class has no chunks: 0.
    ///
    /// @return bytes of chunk data per frame; 0 without chunks
    uint32_t GetChunksSize() const override;
    /// The payload size in bytes.
    ///
    /// 0 lets the device compute it from width, height, pixel type and GetChunksSize; another value is
    /// reported unchanged, with nothing added. The device sends no frame larger than this PayloadSize. This
    /// class answers 0.
    ///
    /// @return the payload size in bytes, or 0
    uint32_t GetPayloadSize() const override;
    /// The scan type of the source (this device streams area images and does not ask it).
    ///
    /// @return KyScanTypeArea for an area-scan source, KyScanTypeLine for a line-scan source
    KyScanType GetScanType() const override;
    /// The master chunk mode; a source without chunks answers false.
    ///
    /// The device reads it for its ChunkModeActive feature.
    ///
    /// @return true when chunk mode is on
    bool GetChunkModeActive() const override;
    /// The enabled state the source keeps for a chunk type it supports: it appends that chunk to its data when the chunk is enabled and chunk mode is on.
    ///
    /// The device reads it for its ChunkEnable feature, the chunk being the one ChunkSelector selects.
    ///
    /// @param[in] aChunkID the chunk ID
    ///
    /// @return true when the chunk is enabled
    bool GetChunkEnable(uint32_t aChunkID) const override;
    /// IKyStreamingChannelSource::GetSupportedPixelType( aIndex ) -> ( aResult, aPixelType )
    ///
    /// The supported pixel types, by index: the device asks index 0, 1, 2 and so on (at most 256)
    /// until the result is not OK, and lists each type once among the PixelFormat entries. For
    /// Mono8 and BayerRG8: index 0 gives (KY_OK, KyPixelMono8), 1 gives (KY_OK, KyPixelBayerRG8),
    /// 2 gives (KY_INVALID_PARAMETER, 0). A Python override returns that tuple. This class gives
    /// Mono8, BayerGR8, BayerRG8, BayerGB8 and BayerBG8.
    ///
    /// @param[in] aIndex the index asked, from 0
    /// @param[out] aPixelType the pixel type at that index
    ///
    /// @return KY_OK with a type, any other code after the last one
    KyResult GetSupportedPixelType(int aIndex, KyPixelType &aPixelType) const override;
    /// IKyStreamingChannelSource::GetSupportedChunk( aIndex ) -> ( aResult, aChunkID, aChunkName )
    ///
    /// The supported chunk types, by index as for the pixel types; an OK answer carries the chunk
    /// ID and its name, which should begin with "Chunk". The device lists each ID once among the
    /// ChunkSelector entries (at most 256 indices asked). A Python override returns the tuple
    /// (KyResult, chunk ID, name). This
    /// class has none: KY_INVALID_PARAMETER at every index.
    ///
    /// @param[in] aIndex the index asked, from 0
    /// @param[out] aChunkID the chunk ID at that index
    /// @param[out] aChunkName the chunk's name
    ///
    /// @return KY_OK with a chunk, any other code after the last one
    KyResult GetSupportedChunk(int aIndex, uint32_t &aChunkID, KyString &aChunkName) const override;

    /// A controller sets the Width feature.
    ///
    /// This class takes 1 to 16384 with OffsetX + Width not above 16384.
    ///
    /// @param[in] aWidth the new width in pixels
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    KyResult SetWidth(uint32_t aWidth) override;
    /// A controller sets the Height feature.
    ///
    /// This class takes 1 to 16384 with OffsetY + Height not above 16384.
    ///
    /// @param[in] aHeight the new height in pixels
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    KyResult SetHeight(uint32_t aHeight) override;
    /// A controller sets the OffsetX feature.
    ///
    /// @param[in] aOffsetX the new horizontal offset in pixels
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    KyResult SetOffsetX(uint32_t aOffsetX) override;
    /// A controller sets the OffsetY feature.
    ///
    /// @param[in] aOffsetY the new vertical offset in pixels
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    KyResult SetOffsetY(uint32_t aOffsetY) override;
    /// A controller sets the PixelFormat feature.
    ///
    /// @param[in] aPixelType the new pixel type, one the source listed in GetSupportedPixelType
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    KyResult SetPixelType(KyPixelType aPixelType) override;
    /// A controller sets the ChunkModeActive feature (refused by the device while the channel streams).
    ///
    /// This class takes off only.
    ///
    /// @param[in] aEnabled true to turn chunk mode on
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    KyResult SetChunkModeActive(bool aEnabled) override;
    /// A controller sets the ChunkEnable feature of the chunk type ChunkSelector selects (refused by the device while the channel streams).
    ///
    /// This class refuses all.
    ///
    /// @param[in] aChunkID the chunk ID
    /// @param[in] aEnabled true to enable the chunk
    ///
    /// @return KY_OK accepts it; any other code (usually KY_GENERIC_ERROR) refuses it
    KyResult SetChunkEnable(uint32_t aChunkID, bool aEnabled) override;

    /// The stream channel was opened: a controller set its destination port (SCP).
    ///
    /// Called on the device's GVCP thread.
    ///
    /// @param[in] aDestIP the destination's IP address, dotted quad (SCDA); valid during the call only
    /// @param[in] aDestPort the destination's UDP port (SCP)
    void OnOpen(const KyString &aDestIP, uint16_t aDestPort) override;
    /// The stream channel was closed: its port was set to 0, control ended, or the device stopped (then on the thread calling Stop).
    ///
    /// Streaming has stopped before.
    void OnClose() override;
    /// The controller asked the device to start streaming on this channel.
    ///
    /// Called on the channel's own thread, before the first QueueBuffer.
    void OnStreamingStart() override;
    /// The controller asked the device to stop streaming on this channel (or the channel closes).
    ///
    /// Called on the channel's own thread, before AbortQueuedBuffers.
    void OnStreamingStop() override;

    /// At start the device asks the source for buffers, one call per buffer, until it answers null (None); buffers must be unique.
    ///
    /// More buffers allow more images queued for acquisition, at the cost of memory; one channel uses at most
    /// 64, and the device asks no further after the 64th. The buffers stay the source's: the program must not
    /// delete them while the device runs; FreeBuffer hands each back when the device stops. This class makes
    /// up to the constructor's buffer count, each holding an image of the current format.
    ///
    /// @return a buffer, or null when there are no more
    KyBuffer *AllocBuffer() override;
    /// When the device stops, it hands back each buffer that AllocBuffer gave it, so that the source frees or releases it.
    ///
    /// Called on the thread calling Stop. This class deletes its own buffers and ignores any other pointer
    /// (null included).
    ///
    /// @param[in] aBuffer a buffer AllocBuffer gave
    void FreeBuffer(KyBuffer *aBuffer) override;
    /// Blocks until acquisition has been aborted for every buffer given by QueueBuffer and not yet retrieved; afterwards RetrieveBuffer must return each of them.
    ///
    /// This class queues nothing itself and returns at once: a subclass that queues buffers aborts them here.
    void AbortQueuedBuffers() override;

    /// The source creates its own registers, if it needs any, with the register factory into the device's register map.
    ///
    /// Called inside Start, before CreateGenApiFeatures. Sources of one class must still use distinct
    /// addresses (for example 0x20000000 + 0x1000 x source index + offset) and should use distinct names.
    /// This class creates none.
    ///
    /// @param[in] aRegisterMap the device's register map
    /// @param[in] aFactory the register factory
    void CreateRegisters(IKyRegisterMap *aRegisterMap, IKyRegisterFactory *aFactory) override;
    /// The source declares the GenICam features of its channel with the GenApi factory (features of the whole device belong to the event sink's OnCreateCustomGenApiFeatures).
    ///
    /// Called inside Start, after CreateRegisters. This class declares none: the device adds the image format
    /// and acquisition features by itself.
    ///
    /// @param[in] aRegisterMap the device's register map
    /// @param[in] aFactory the GenApi factory
    void CreateGenApiFeatures(IKyRegisterMap *aRegisterMap, IKyGenApiFactory *aFactory) override;
    /// Whether the source can stream buffers of a payload type.
    ///
    /// Not asked by this device, which streams images. This class answers true for KyPayloadTypeImage only.
    ///
    /// @param[in] aPayloadType a KyPayloadType value
    ///
    /// @return true when supported
    bool IsPayloadTypeSupported(KyPayloadType aPayloadType) override;
    /// Whether the source may (not must) send multi-part data.
    ///
    /// Not called by this device, which streams images only. This class keeps the setting.
    ///
    /// @param[in] aAllowed true when allowed
    void SetMultiPartAllowed(bool aAllowed) override;
    /// Whether large leader and trailer packets are in use for multi-part data, and how many parts are allowed.
    ///
    /// Not called by this device. This class ignores it.
    ///
    /// @param[in] aEnabled true when in use
    /// @param[in] aMaxMultiPartCount the number of parts allowed
    void SetLargeLeaderTrailerEnabled(bool aEnabled, uint32_t aMaxMultiPartCount) override;
    /// Asks the source to send test payloads of a payload type (not called by this device).
    ///
    /// This class takes KyPayloadTypeNone and KyPayloadTypeImage.
    ///
    /// @param[in] aPayloadType a KyPayloadType value
    ///
    /// @return KY_OK accepts it; KY_NOT_SUPPORTED refuses it
    KyResult SetTestPayloadFormatMode(KyPayloadType aPayloadType) override;

    // State the hooks leave, for subclasses and tests.
    bool IsOpen() const;
    bool IsStreaming() const;
    size_t GetAllocatedBufferCount() const;

    static uint8_t TestPatternValue(uint32_t aX, uint32_t aY, uint64_t aFrame);
    // Writes frame aFrame of the test pattern, one byte per pixel, into aWidth x aHeight bytes at
    // aData (lines of aWidth bytes) for an image at that offset on the sensor.
    static void WriteTestPattern(uint8_t *aData, uint32_t aWidth, uint32_t aHeight, uint32_t aOffsetX,
                                 uint32_t aOffsetY, uint64_t aFrame);
    // Gives the buffer's image the current format (reallocating its memory when the size
    // changed) and writes frame aFrame of the test pattern into it. KY_INVALID_PARAMETER for a
    // null buffer, KY_NOT_ENOUGH_MEMORY when the image cannot be allocated.
    KyResult FillTestPattern(KyBuffer *aBuffer, uint64_t aFrame) const;

private:
    struct Format
    {
        uint32_t width, height, offsetX, offsetY;
        KyPixelType pixelType;
    };
    Format Current() const;
    KyResult SetDimension(uint32_t Format::*field, uint32_t Format::*partner, uint32_t value, bool isSize,
                          const char *name);

    mutable std::mutex mMutex;
    Format mFormat;
    size_t mBufferCount;
    std::vector<std::unique_ptr<KyBuffer>> mBuffers;
    bool mOpen = false;
    bool mStreaming = false;
    bool mMultiPartAllowed = false;
};
