// KyDecompressionFilter: turns a compressed buffer made by KyCompressionFilter back into the
// image it was made from, byte for byte.
//
// The input is a buffer of payload type KyPayloadTypeTesmarCompressed whose memory holds the
// compressed image (GetAcquiredSize() bytes, or GetSize() when nothing was acquired into it).
// Nothing in the compressed bytes is trusted: every size of the header is checked against the
// input's length and the image, and each stripe is decompressed into exactly the bytes of its
// lines, so a damaged input gives KY_IMAGE_ERROR and never a write past the output image.
//
// Threads: the stripes are decompressed on the filter's worker threads (1 to 64; owned, started
// at the first Execute after a change of count, joined by SetThreadCount and the destructor);
// the caller waits for them. Calls from several threads take turns.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>
#include <memory>
#include <mutex>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"

class KyBuffer;
namespace ky::buffer {
class DecompressionWork;
}

class KY_BUFFER_API KyDecompressionFilter
{
public:
    /// A filter with one worker thread per processor (at most 64).
    KyDecompressionFilter();
    /// Destructor: joins the worker threads.
    virtual ~KyDecompressionFilter();
    KyDecompressionFilter(const KyDecompressionFilter &) = delete;
    KyDecompressionFilter &operator=(const KyDecompressionFilter &) = delete;

    /// Decompresses aIn into aOut, which becomes an image buffer of the compressed image's pixel type, width and height, without padding, with aIn's block ID and timestamp.
    ///
    /// aOut's memory is used when it is the buffer's own and large enough or attached and large enough, else
    /// aOut gets memory of its own of the image's size.
    ///
    /// @param[in] aIn a buffer holding a compressed image
    /// @param[in] aOut the buffer that receives the image; not aIn
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for a null buffer, aOut being aIn or sharing its
    ///         memory, or an input whose payload is not a compressed image; KY_NOT_SUPPORTED for
    ///         a compressed image of another version of the format; KY_IMAGE_ERROR for a damaged
    ///         compressed image (aOut's image may then be partly written); KY_BUFFER_TOO_SMALL
    ///         when aOut's attached memory cannot take the image; KY_NOT_ENOUGH_MEMORY
    virtual KyResult Execute(const KyBuffer *aIn, KyBuffer *aOut);
    /// Sets the number of worker threads.
    ///
    /// @param[in] aCount 1 to 64
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for another count (nothing changes)
    virtual KyResult SetThreadCount(uint32_t aCount);
    /// The number of worker threads.
    ///
    /// @return 1 to 64
    virtual uint32_t GetThreadCount() const;
    /// The scheduling priority of the worker threads.
    ///
    /// @param[out] aPriority receives the priority in effect (0 under the normal policy, also where the process may not use real-time scheduling)
    /// @return KY_OK
    virtual KyResult GetThreadsPriority(uint32_t &aPriority) const;
    /// Sets the scheduling priority of the worker threads: 0 is the system's normal scheduling, 1 up to the system's highest real-time priority (99 on Linux) is real-time FIFO scheduling at that priority where the process is allowed it (else the threads keep the normal scheduling).
    ///
    /// @param[in] aPriority the priority
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for a priority that maps to none of the system's
    virtual KyResult SetThreadsPriority(uint32_t aPriority);

    /// Whether this class can decompress a buffer: its payload type is KyPayloadTypeTesmarCompressed and its bytes start with a sound header of a version of the format that the class reads (the stripes themselves are checked by Execute).
    ///
    /// @param[in] aIn the buffer; null gives false
    ///
    /// @return true when it can
    static bool IsCompressed(const KyBuffer *aIn);
    /// The image a compressed buffer decompresses to, read from its header.
    ///
    /// @param[in] aIn the buffer
    /// @param[out] aPixelType receives the pixel type (unchanged on failure)
    /// @param[out] aWidth receives the width in pixels (unchanged on failure)
    /// @param[out] aHeight receives the height in lines (unchanged on failure)
    ///
    /// @return KY_OK; as Execute for a null buffer, a buffer holding no compressed image or a
    ///         damaged header
    static KyResult GetOutputFormatFor(const KyBuffer *aIn, KyPixelType &aPixelType, uint32_t &aWidth,
                                       uint32_t &aHeight);

private:
    mutable std::mutex mMutex;
    std::unique_ptr<ky::buffer::DecompressionWork> mWork;
};
