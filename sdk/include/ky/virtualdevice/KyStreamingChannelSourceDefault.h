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

    KyStreamingChannelSourceDefault(uint32_t aWidth = 640, uint32_t aHeight = 480,
                                    KyPixelType aPixelType = KyPixelMono8, size_t aBufferCount = 16);
    ~KyStreamingChannelSourceDefault() override;
    KyStreamingChannelSourceDefault(const KyStreamingChannelSourceDefault &) = delete;
    KyStreamingChannelSourceDefault &operator=(const KyStreamingChannelSourceDefault &) = delete;

    uint32_t GetWidth() const override;
    uint32_t GetHeight() const override;
    uint32_t GetOffsetX() const override;
    uint32_t GetOffsetY() const override;
    KyPixelType GetPixelType() const override;
    void GetWidthInfo(uint32_t &aMin, uint32_t &aMax, uint32_t &aInc) const override;
    void GetHeightInfo(uint32_t &aMin, uint32_t &aMax, uint32_t &aInc) const override;
    uint32_t GetChunksSize() const override;
    uint32_t GetPayloadSize() const override;
    KyScanType GetScanType() const override;
    bool GetChunkModeActive() const override;
    bool GetChunkEnable(uint32_t aChunkID) const override;
    KyResult GetSupportedPixelType(int aIndex, KyPixelType &aPixelType) const override;
    KyResult GetSupportedChunk(int aIndex, uint32_t &aChunkID, KyString &aChunkName) const override;

    KyResult SetWidth(uint32_t aWidth) override;
    KyResult SetHeight(uint32_t aHeight) override;
    KyResult SetOffsetX(uint32_t aOffsetX) override;
    KyResult SetOffsetY(uint32_t aOffsetY) override;
    KyResult SetPixelType(KyPixelType aPixelType) override;
    KyResult SetChunkModeActive(bool aEnabled) override;
    KyResult SetChunkEnable(uint32_t aChunkID, bool aEnabled) override;

    void OnOpen(const KyString &aDestIP, uint16_t aDestPort) override;
    void OnClose() override;
    void OnStreamingStart() override;
    void OnStreamingStop() override;

    KyBuffer *AllocBuffer() override;
    void FreeBuffer(KyBuffer *aBuffer) override;
    void AbortQueuedBuffers() override;

    void CreateRegisters(IKyRegisterMap *aRegisterMap, IKyRegisterFactory *aFactory) override;
    void CreateGenApiFeatures(IKyRegisterMap *aRegisterMap, IKyGenApiFactory *aFactory) override;
    bool IsPayloadTypeSupported(KyPayloadType aPayloadType) override;
    void SetMultiPartAllowed(bool aAllowed) override;
    void SetLargeLeaderTrailerEnabled(bool aEnabled, uint32_t aMaxMultiPartCount) override;
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
