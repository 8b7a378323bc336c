#include "registers/SoftRegister.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "ky/virtualdevice/IKyRegisterEventSink.h"
#include "ky/Guarded.h"
#include "SoftLog.h"
#include "gev/ByteCursor.h"

namespace ky::soft {

using ky::gev::ByteReader;
using ky::gev::ByteWriter;

SoftRegister::SoftRegister(const KyString &name, uint32_t address, uint32_t length, KyGenAccessMode mode,
                           bool arrayOfBytes, void *context)
    : mName(name),
      mAddress(address),
      mMode(mode),
      mArrayOfBytes(arrayOfBytes),
      mContext(context),
      mLength(length),
      mData(length, 0)
{ }

KyResult SoftRegister::CheckRange(const void *data, uint32_t length, uint32_t offset) const
{
    if (data == nullptr && length > 0) {
        return KyResult(KY_INVALID_PARAMETER, KyString("[") + mName + "] no buffer given");
    }
    if (offset > mLength || length > mLength - offset) {
        return KyResult(KY_INVALID_PARAMETER, KyString("[") + mName + "] " + std::to_string(length) +
                                                  " bytes at offset " + std::to_string(offset) +
                                                  " do not fit its " + std::to_string(mLength) + " bytes");
    }
    return KyResult(KY_OK);
}

std::vector<uint8_t> &SoftRegister::Content()
{
    return mStager == std::this_thread::get_id() ? mStaged : mData;
}

KyResult SoftRegister::ReadBytes(uint8_t *aData, uint32_t aDataLength, uint32_t aOffset)
{
    KyResult result = CheckRange(aData, aDataLength, aOffset);
    if (result.IsFailure()) {
        return result;
    }
    ReadHook hook;
    std::vector<IKyRegisterEventSink *> sinks;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        hook = mReadHook;
        sinks = mSinks;
    }
    if (hook) {
        ky::base::Guarded(SoftDeviceLog(), "read hook", [&] { hook(*this); });
    }
    for (IKyRegisterEventSink *sink : sinks) {
        result = ky::base::Guarded(SoftDeviceLog(), "PreRead", [&] { return sink->PreRead(this); });
        if (result.IsFailure()) {
            return result;
        }
    }
    if (aDataLength > 0) {
        std::lock_guard<std::mutex> lock(mMutex);
        std::memcpy(aData, Content().data() + aOffset, aDataLength);
    }
    for (IKyRegisterEventSink *sink : sinks) {
        ky::base::Guarded(SoftDeviceLog(), "PostRead", [&] { sink->PostRead(this); });
    }
    return KyResult(KY_OK);
}

// The new content is staged for the writing thread, checked by the device's write check and
// the sinks' PreWrite with no lock on the content, then accepted (or dropped) at once; the write
// hook and PostWrite react to the accepted content. A write made by a hook or a sink of this
// register while the outer write is being checked changes the staged content and stands or
// falls with the outer write.
KyResult SoftRegister::Write(const uint8_t *aData, uint32_t aDataLength, uint32_t aOffset)
{
    KyResult result = CheckRange(aData, aDataLength, aOffset);
    if (result.IsFailure()) {
        return result;
    }
    std::lock_guard<std::recursive_mutex> writing(mWriteMutex);
    const std::thread::id self = std::this_thread::get_id();
    WriteCheck check;
    WriteHook hook;
    std::vector<IKyRegisterEventSink *> sinks;
    std::vector<uint8_t> former;
    bool outer = false;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        outer = mStager != self;
        if (outer) {
            mStaged = mData;
            mStager = self;
        } else {
            former = mStaged;
        }
        if (aDataLength > 0) {
            std::memcpy(mStaged.data() + aOffset, aData, aDataLength);
        }
        check = mWriteCheck;
        hook = mWriteHook;
        sinks = mSinks;
    }
    if (check) {
        result = ky::base::Guarded(SoftDeviceLog(), "write check", [&] { return check(*this); });
    }
    for (size_t i = 0; i < sinks.size() && result.IsSuccess(); ++i) {
        result = ky::base::Guarded(SoftDeviceLog(), "PreWrite", [&] { return sinks[i]->PreWrite(this); });
    }
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!outer) {
            if (result.IsFailure()) {
                mStaged.swap(former);
            }
        } else {
            if (result.IsSuccess()) {
                mData.swap(mStaged);
            }
            mStaged.clear();
            mStager = std::thread::id();
        }
    }
    if (result.IsFailure()) {
        return result;
    }
    if (hook) {
        ky::base::Guarded(SoftDeviceLog(), "write hook", [&] { hook(*this); });
    }
    for (IKyRegisterEventSink *sink : sinks) {
        ky::base::Guarded(SoftDeviceLog(), "PostWrite", [&] { sink->PostWrite(this); });
    }
    return KyResult(KY_OK);
}

KyResult SoftRegister::ReadInt(uint32_t &aValue, uint32_t aOffset)
{
    uint8_t bytes[4];
    KyResult result = ReadBytes(bytes, sizeof(bytes), aOffset);
    if (result.IsOK()) {
        ByteReader(bytes, sizeof(bytes)).ReadU32(aValue);
    }
    return result;
}

KyResult SoftRegister::Write(uint32_t aValue, uint32_t aOffset)
{
    uint8_t bytes[4];
    ByteWriter(bytes, sizeof(bytes)).WriteU32(aValue);
    return Write(bytes, sizeof(bytes), aOffset);
}

KyResult SoftRegister::ReadString(KyString &aValue)
{
    std::vector<uint8_t> bytes(mLength);
    KyResult result = ReadBytes(bytes.data(), static_cast<uint32_t>(bytes.size()), 0);
    if (result.IsOK()) {
        std::string text;
        ByteReader(bytes.data(), bytes.size()).ReadFixedString(text, bytes.size());
        aValue = KyString(text);
    }
    return result;
}

KyResult SoftRegister::Write(const KyString &aValue)
{
    if (aValue.GetLength() >= mLength) {
        return KyResult(KY_INVALID_PARAMETER, KyString("[") + mName + "] a text of " +
                                                  std::to_string(aValue.GetLength()) +
                                                  " bytes does not fit " + std::to_string(mLength) +
                                                  " bytes with its terminating zero");
    }
    std::vector<uint8_t> bytes(mLength, 0);
    std::memcpy(bytes.data(), aValue.GetAscii(), aValue.GetLength());
    return Write(bytes.data(), static_cast<uint32_t>(bytes.size()), 0);
}

KyResult SoftRegister::ReadFloat(float &aValue)
{
    uint32_t bits = 0;
    KyResult result = ReadInt(bits, 0);
    if (result.IsOK()) {
        std::memcpy(&aValue, &bits, sizeof(aValue));
    }
    return result;
}

KyResult SoftRegister::WriteFloat(float aValue)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &aValue, sizeof(bits));
    return Write(bits, 0);
}

KyResult SoftRegister::ReadDouble(double &aValue)
{
    uint8_t bytes[8];
    KyResult result = ReadBytes(bytes, sizeof(bytes), 0);
    if (result.IsOK()) {
        uint64_t bits = 0;
        ByteReader(bytes, sizeof(bytes)).ReadU64(bits);
        std::memcpy(&aValue, &bits, sizeof(aValue));
    }
    return result;
}

KyResult SoftRegister::WriteDouble(double aValue)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &aValue, sizeof(bits));
    uint8_t bytes[8];
    ByteWriter(bytes, sizeof(bytes)).WriteU64(bits);
    return Write(bytes, sizeof(bytes), 0);
}

KyResult SoftRegister::AddEventSink(IKyRegisterEventSink *aEventSink)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (aEventSink == nullptr || std::find(mSinks.begin(), mSinks.end(), aEventSink) != mSinks.end()) {
        return KyResult(KY_INVALID_PARAMETER, KyString("[") + mName + "] null or already added event sink");
    }
    mSinks.push_back(aEventSink);
    return KyResult(KY_OK);
}

KyResult SoftRegister::RemoveEventSink(IKyRegisterEventSink *aEventSink)
{
    std::lock_guard<std::mutex> lock(mMutex);
    auto found = std::find(mSinks.begin(), mSinks.end(), aEventSink);
    if (aEventSink == nullptr || found == mSinks.end()) {
        return KyResult(KY_INVALID_PARAMETER, KyString("[") + mName + "] null or unknown event sink");
    }
    mSinks.erase(found);
    return KyResult(KY_OK);
}

void SoftRegister::SetHooks(ReadHook readHook, WriteCheck writeCheck, WriteHook writeHook)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mReadHook = std::move(readHook);
    mWriteCheck = std::move(writeCheck);
    mWriteHook = std::move(writeHook);
}

void SoftRegister::SetRaw(const uint8_t *data, size_t size, size_t offset)
{
    std::lock_guard<std::mutex> lock(mMutex);
    std::vector<uint8_t> &content = Content();
    if (offset >= content.size()) {
        return;
    }
    std::memcpy(content.data() + offset, data, std::min(size, content.size() - offset));
}

void SoftRegister::SetRawU32(uint32_t value, size_t offset)
{
    uint8_t bytes[4];
    ByteWriter(bytes, sizeof(bytes)).WriteU32(value);
    SetRaw(bytes, sizeof(bytes), offset);
}

void SoftRegister::SetRawString(const std::string &text)
{
    std::lock_guard<std::mutex> lock(mMutex);
    std::vector<uint8_t> &content = Content();
    std::fill(content.begin(), content.end(), 0);
    ByteWriter(content.data(), content.size()).WriteFixedString(text, content.size() - 1);
}

uint32_t SoftRegister::GetRawU32(size_t offset)
{
    std::lock_guard<std::mutex> lock(mMutex);
    const std::vector<uint8_t> &content = Content();
    uint32_t value = 0;
    if (offset <= content.size()) {
        ByteReader(content.data() + offset, content.size() - offset).ReadU32(value);
    }
    return value;
}

std::string SoftRegister::GetRawString()
{
    std::lock_guard<std::mutex> lock(mMutex);
    const std::vector<uint8_t> &content = Content();
    std::string text;
    ByteReader(content.data(), content.size()).ReadFixedString(text, content.size());
    return text;
}

KyResult SoftRegister::Persist(IKyRegisterStore &store)
{
    std::vector<IKyRegisterEventSink *> sinks;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        sinks = mSinks;
    }
    bool handled = false;
    KyResult outcome(KY_OK);
    for (IKyRegisterEventSink *sink : sinks) {
        KyResult result =
            ky::base::Guarded(SoftDeviceLog(), "Persist", [&] { return sink->Persist(this, &store); });
        if (result.GetCode() != KY_NOT_IMPLEMENTED) {
            handled = true;
            outcome |= result;
        }
    }
    return handled ? outcome : store.Persist(this, KyString(""));
}

}  // namespace ky::soft
