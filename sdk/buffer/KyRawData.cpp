#include "ky/buffer/KyRawData.h"

#include <string>

#include "ky/buffer/KyBuffer.h"

KyRawData::KyRawData(KyBuffer &aBuffer) : mBuffer(aBuffer) { }
KyRawData::~KyRawData() = default;

KyResult KyRawData::Alloc(uint64_t aPayloadLength, uint32_t aMaximumChunkLength)
{
    const uint64_t total = aPayloadLength + aMaximumChunkLength;
    if (aPayloadLength > UINT32_MAX || total > UINT32_MAX)
        return KyResult(KY_INVALID_PARAMETER, "[KyRawData::Alloc] payload and chunks take " +
                                                  std::to_string(total) + " bytes, more than 4 GiB");
    KyResult r = mBuffer.Alloc(static_cast<uint32_t>(total));
    if (r.IsOK())
        mPayloadLength = aPayloadLength;
    return r;
}

void KyRawData::Free() { mBuffer.Free(); }

KyResult KyRawData::Attach(void *aRawBuffer, uint64_t aLength, uint32_t aMaximumChunkLength)
{
    if (aLength > UINT32_MAX)
        return KyResult(KY_INVALID_PARAMETER,
                        "[KyRawData::Attach] " + std::to_string(aLength) + " bytes is more than 4 GiB");
    if (aMaximumChunkLength > aLength)
        return KyResult(KY_INVALID_PARAMETER,
                        "[KyRawData::Attach] chunk room of " + std::to_string(aMaximumChunkLength) +
                            " bytes exceeds the " + std::to_string(aLength) + " attached");
    KyResult r = mBuffer.Attach(aRawBuffer, static_cast<uint32_t>(aLength));
    if (r.IsOK())
        mPayloadLength = aLength - aMaximumChunkLength;
    return r;
}

uint8_t *KyRawData::Detach() { return mBuffer.Detach(); }

KyResult KyRawData::SetPayloadLength(uint64_t aPayloadLength)
{
    if (aPayloadLength > mBuffer.GetSize())
        return KyResult(KY_BUFFER_TOO_SMALL,
                        "[KyRawData::SetPayloadLength] " + std::to_string(aPayloadLength) +
                            " bytes exceed the buffer's " + std::to_string(mBuffer.GetSize()));
    mPayloadLength = aPayloadLength;
    return KyResult();
}
