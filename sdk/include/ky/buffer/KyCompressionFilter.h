// KyCompressionFilter: compresses the image of a buffer, without loss, into another buffer in the
// kit's compressed image format (KyEncodingPTC1), which KyDecompressionFilter turns back into the
// same image, byte for byte.
//
// The format (sdk/buffer/Ptc1Format.h, and the README): a small header ("PTC1", version, pixel
// type, width, height, stripe count, a table of stripe sizes, a checksum of all that) followed
// by the image cut into stripes of lines, each line filtered into differences between neighbouring
// samples of the same colour and each stripe compressed by zstd on its own. Every pixel type of
// the pixel-type table is taken, packed and Bayer types included.
//
// The compressed buffer carries the payload type KyPayloadTypeTesmarCompressed; its bytes are
// GetDataPointer() for GetAcquiredSize() bytes.
//
// Threads: compression runs on one worker thread of the filter (owned, joined by the
// destructor); the caller waits for it. Calls from several threads take turns.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>
#include <memory>
#include <mutex>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"

class KyBuffer;
namespace ky::buffer {
class CompressionWork;
}

class KY_BUFFER_API KyCompressionFilter
{
public:
    /// A filter that compresses with KyEncodingPTC1. Its worker thread starts at the first Execute.
    KyCompressionFilter();
    /// Destructor: joins the worker thread.
    virtual ~KyCompressionFilter();
    KyCompressionFilter(const KyCompressionFilter &) = delete;
    KyCompressionFilter &operator=(const KyCompressionFilter &) = delete;

    /// Compresses the image of aIn into aOut.
    ///
    /// aOut takes the compressed payload: its memory is used when it is the buffer's own and large enough or
    /// attached and large enough, else it gets memory of its own of the compressed size; its payload type
    /// becomes KyPayloadTypeTesmarCompressed, its acquired size the compressed size, and it takes aIn's block
    /// ID and timestamp. aIn is not changed.
    ///
    /// @param[in] aIn a buffer holding an image (padding allowed where lines are whole bytes)
    /// @param[in] aOut the buffer that receives the compressed image; not aIn
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for a null buffer, aOut being aIn or sharing its
    ///         memory, an input that holds no image or an image of unknown pixel size, 0 pixels,
    ///         or padding on lines that are not whole bytes; KY_BUFFER_TOO_SMALL when aOut's
    ///         attached memory cannot take the compressed image; KY_NOT_ENOUGH_MEMORY
    virtual KyResult Execute(const KyBuffer *aIn, KyBuffer *aOut);
    /// The compressor runs one worker thread.
    ///
    /// @param[in] aCount threads
    ///
    /// @return KY_OK for 1 (nothing changes); KY_NOT_SUPPORTED for any other count
    virtual KyResult SetThreadCount(uint32_t aCount);
    /// Threads a compression uses.
    ///
    /// @return 1
    virtual uint32_t GetThreadCount() const;
    /// The scheduling priority of the worker thread.
    ///
    /// @param[out] aPriority receives the priority in effect (0 under the normal policy, also where the process may not use real-time scheduling)
    /// @return KY_OK
    virtual KyResult GetThreadsPriority(uint32_t &aPriority) const;
    /// Sets the scheduling priority of the worker thread: 0 is the system's normal scheduling, 1 up to the system's highest real-time priority (99 on Linux) is real-time FIFO scheduling at that priority where the process is allowed it (else the thread keeps the normal scheduling).
    ///
    /// @param[in] aPriority the priority
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for a priority that maps to none of the system's
    virtual KyResult SetThreadsPriority(uint32_t aPriority);

    /// Chooses the encoding of the compressed images.
    ///
    /// @param[in] aValue a KyEncodingEnum value
    ///
    /// @return KY_OK for KyEncodingPTC1; KY_NOT_SUPPORTED for any other value
    KyResult SetEncoding(KyEncodingEnum aValue);
    /// The encoding of the compressed images.
    ///
    /// @return KyEncodingPTC1
    KyEncodingEnum GetEncoding() const;

private:
    mutable std::mutex mMutex;
    std::unique_ptr<ky::buffer::CompressionWork> mWork;
    KyEncodingEnum mEncoding = KyEncodingPTC1;
};
