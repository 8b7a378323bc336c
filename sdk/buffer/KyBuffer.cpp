#include "ky/buffer/KyBuffer.h"

#include <mutex>
#include <new>
#include <string>

#include "ChunkStore.h"

KyBuffer::KyBuffer(KyPayloadType aPayloadType)
    : mPayloadType(aPayloadType),
      mChunks(new ky::buffer::ChunkStore),
      mImage(*this),
      mRawData(*this),
      mChunkData(*this),
      mMultiPart(*this),
      mCompressed(*this),
      mH264(*this)
{ }

namespace ky::buffer {
namespace {

// Held while a destroyed buffer calls its holder, and while a holder lets go of its buffers.
std::mutex &HolderLock()
{
    static std::mutex lock;
    return lock;
}

}  // namespace

void BufferHolder::LetGo(const std::function<void()> &release)
{
    std::lock_guard<std::mutex> lock(HolderLock());
    release();
}

}  // namespace ky::buffer

KyBuffer::~KyBuffer()
{
    if (mHolder.load() != nullptr) {
        std::lock_guard<std::mutex> lock(ky::buffer::HolderLock());
        if (ky::buffer::BufferHolder *holder = mHolder.load())
            holder->ForgetBuffer(this);
    }
    if (mOwned)
        delete[] mData;
}

KyImage *KyBuffer::GetImage() { return mPayloadType == KyPayloadTypeImage ? &mImage : nullptr; }
const KyImage *KyBuffer::GetImage() const { return mPayloadType == KyPayloadTypeImage ? &mImage : nullptr; }
KyRawData *KyBuffer::GetRawData() { return mPayloadType == KyPayloadTypeRawData ? &mRawData : nullptr; }
const KyRawData *KyBuffer::GetRawData() const
{
    return mPayloadType == KyPayloadTypeRawData ? &mRawData : nullptr;
}
KyChunkData *KyBuffer::GetChunkData()
{
    return mPayloadType == KyPayloadTypeChunkData ? &mChunkData : nullptr;
}
const KyChunkData *KyBuffer::GetChunkData() const
{
    return mPayloadType == KyPayloadTypeChunkData ? &mChunkData : nullptr;
}

KyTesmarCompressed *KyBuffer::GetTesmarCompressed()
{
    return mPayloadType == KyPayloadTypeTesmarCompressed ? &mCompressed : nullptr;
}
const KyTesmarCompressed *KyBuffer::GetTesmarCompressed() const
{
    return mPayloadType == KyPayloadTypeTesmarCompressed ? &mCompressed : nullptr;
}
IKyH264AccessUnit *KyBuffer::GetH264AccessUnit()
{
    return mPayloadType == KyPayloadTypeH264 ? &mH264 : nullptr;
}
const IKyH264AccessUnit *KyBuffer::GetH264AccessUnit() const
{
    return mPayloadType == KyPayloadTypeH264 ? &mH264 : nullptr;
}

// The access unit is the bytes received into the buffer.
const uint8_t *KyBuffer::H264View::GetDataPointer() const { return mBuffer.GetDataPointer(); }
uint8_t *KyBuffer::H264View::GetDataPointer() { return mBuffer.GetDataPointer(); }
uint64_t KyBuffer::H264View::GetDataSize() const { return mBuffer.GetAcquiredSize(); }
uint64_t KyBuffer::H264View::GetTimestamp() const { return mBuffer.GetTimestamp(); }

// What a filter or a stream placed in the buffer; memory a program filled itself counts whole.
KyTesmarCompressed::~KyTesmarCompressed() = default;
const uint8_t *KyTesmarCompressed::GetDataPointer() const { return mBuffer.GetDataPointer(); }
uint8_t *KyTesmarCompressed::GetDataPointer() { return mBuffer.GetDataPointer(); }
uint64_t KyTesmarCompressed::GetDataSize() const
{
    return mBuffer.GetAcquiredSize() > 0 ? mBuffer.GetAcquiredSize() : mBuffer.GetSize();
}

IKyMultiPartContainer *KyBuffer::GetMultiPartContainer()
{
    return mPayloadType == KyPayloadTypeMultiPart ? &mMultiPart : nullptr;
}
const IKyMultiPartContainer *KyBuffer::GetMultiPartContainer() const
{
    return mPayloadType == KyPayloadTypeMultiPart ? &mMultiPart : nullptr;
}

uint32_t KyBuffer::MainPartSize() const
{
    switch (mPayloadType) {
    case KyPayloadTypeImage:
        return mImage.GetImageSize();
    case KyPayloadTypeMultiPart: {
        const uint64_t total = mMultiPart.GetTotalEffectiveSize();
        return total > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(total);
    }
    case KyPayloadTypeRawData:
        return mRawData.GetPayloadLength() <= mSize ? static_cast<uint32_t>(mRawData.GetPayloadLength())
                                                    : mSize;
    default:
        return 0;
    }
}

uint32_t KyBuffer::GetPayloadSize() const
{
    if (mAcquiredSize > 0)
        return mAcquiredSize;
    const uint64_t total = uint64_t(MainPartSize()) + mChunks->Used();
    return total > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(total);
}

void KyBuffer::SetMemory(uint8_t *aData, uint32_t aSize, bool aOwned)
{
    if (mOwned && mData == aData)
        aOwned = true;  // the buffer's own memory given back to it stays its own
    else if (mOwned)
        delete[] mData;
    mData = aData;
    mSize = aData ? aSize : 0;
    mOwned = aData && aOwned;
    mChunks->Clear();
    if (mAcquiredSize > mSize)
        mAcquiredSize = 0;
    mImage.FitTo(mData, mSize);
    mMultiPart.BufferMemoryChanged();
    // Nor may a raw payload claim more bytes than the memory has.
    if (mData != nullptr && mRawData.mPayloadLength > mSize)
        mRawData.mPayloadLength = mSize;
}

KyResult KyBuffer::Alloc(uint32_t aSize)
{
    if (aSize == 0)
        return KyResult(KY_INVALID_PARAMETER, "[KyBuffer::Alloc] a buffer needs at least one byte");
    uint8_t *data = new (std::nothrow) uint8_t[aSize]();
    if (data == nullptr) {
        SetMemory(nullptr, 0, false);
        return KyResult(KY_NOT_ENOUGH_MEMORY,
                        "cannot allocate a buffer of " + std::to_string(aSize) + " bytes");
    }
    SetMemory(data, aSize, true);
    return KyResult();
}

KyResult KyBuffer::AllocChunk(uint32_t aSize)
{
    if (aSize == 0)
        return KyResult(KY_INVALID_PARAMETER, "[KyBuffer::AllocChunk] a chunk area needs at least one byte");
    std::unique_ptr<uint8_t[]> area(new (std::nothrow) uint8_t[aSize]());
    if (!area)
        return KyResult(KY_NOT_ENOUGH_MEMORY,
                        "cannot allocate a chunk area of " + std::to_string(aSize) + " bytes");
    mChunkArea = std::move(area);
    mChunkAreaSize = aSize;
    mChunks->Clear();
    return KyResult();
}

void KyBuffer::Free() { SetMemory(nullptr, 0, false); }

void KyBuffer::FreeChunk()
{
    mChunkArea.reset();
    mChunkAreaSize = 0;
    mChunks->Clear();
}

KyResult KyBuffer::Attach(void *aBuffer, uint32_t aSize)
{
    if (aBuffer == nullptr || aSize == 0)
        return KyResult(KY_INVALID_PARAMETER, "[KyBuffer::Attach] no memory given");
    SetMemory(static_cast<uint8_t *>(aBuffer), aSize, false);
    return KyResult();
}

uint8_t *KyBuffer::Detach()
{
    if (!IsAttached())
        return nullptr;
    uint8_t *data = mData;
    SetMemory(nullptr, 0, false);
    return data;
}

void KyBuffer::ClearAcquisitionState()
{
    mOperationResult = KyResult();
    mAcquiredSize = 0;
    mRequiredSize = 0;
    mExtendedID = false;
    mHeaderValid = false;
    mTrailerValid = false;
    mLargeLeaderTrailer = false;
    mStatistics = KyBufferPacketStatistics();
    mMissingPackets.clear();
    mChunks->Clear();
    mImage.ClearStatus();
}

void KyBuffer::BeginAcquisition()
{
    ClearAcquisitionState();
    mMultiPart.Reset();  // the parts of the next block replace those of the last
}

KyResult KyBuffer::Reset(KyPayloadType aPayloadType)
{
    Free();
    FreeChunk();
    ClearAcquisitionState();
    mPayloadType = aPayloadType;
    mChunkLayoutID = 0;
    mBlockID = mTimestamp = mReceptionTime = mDuration = 0;
    mImage.SetGeometryUnchecked(KyPixelUndefined, 0, 0, 0, 0, 0, 0, 0);
    mRawData.mPayloadLength = 0;
    mChunkData.mPayloadLength = 0;
    mChunkData.mPayloadLengthSet = false;
    mMultiPart.Reset();
    return KyResult();
}

KyResult KyBuffer::SetTimestamp(uint64_t aTimestamp)
{
    mTimestamp = aTimestamp;
    return KyResult();
}

KyResult KyBuffer::SetDuration(uint64_t aDuration)
{
    mDuration = aDuration;
    return KyResult();
}

KyResult KyBuffer::SetBlockID(uint64_t aBlockID)
{
    mBlockID = aBlockID;
    return KyResult();
}

KyResult KyBuffer::SetReceptionTime(uint64_t aReceptionTime)
{
    mReceptionTime = aReceptionTime;
    return KyResult();
}

void KyBuffer::SetPayloadType(KyPayloadType aPayloadType)
{
    mPayloadType = aPayloadType;
    mChunks->Clear();
}

KyResult KyBuffer::SetAcquiredSize(uint32_t aSize)
{
    if (aSize > mSize)
        return KyResult(KY_INVALID_PARAMETER, "[KyBuffer::SetAcquiredSize] " + std::to_string(aSize) +
                                                  " bytes exceed the buffer's " + std::to_string(mSize));
    mAcquiredSize = aSize;
    return KyResult();
}

void KyBuffer::AddMissingPacketIds(uint32_t aFirst, uint32_t aLast)
{
    mMissingPackets.emplace_back(aFirst, aLast);
}

KyResult KyBuffer::GetMissingPacketIdsCount(uint32_t &aCount) const
{
    aCount = static_cast<uint32_t>(mMissingPackets.size());
    return KyResult();
}

KyResult KyBuffer::GetMissingPacketIds(uint32_t aIndex, uint32_t &aFirst, uint32_t &aLast) const
{
    if (aIndex >= mMissingPackets.size())
        return KyResult(KY_NOT_FOUND, "[KyBuffer::GetMissingPacketIds] no group " + std::to_string(aIndex) +
                                          " of " + std::to_string(mMissingPackets.size()));
    aFirst = mMissingPackets[aIndex].first;
    aLast = mMissingPackets[aIndex].second;
    return KyResult();
}

KyResult KyBuffer::ParseChunks()
{
    const bool mainFirst = mPayloadType == KyPayloadTypeImage || mPayloadType == KyPayloadTypeRawData;
    return mChunks->Parse(mData, mAcquiredSize, mainFirst);
}
