// ByteReader / ByteWriter: bounds-checked big-endian access to a byte buffer.
//
// Every read and write checks the remaining length first. A failed access leaves the output
// untouched, marks the cursor as failed and keeps it failed, so a parser can read a run of fields
// and test Ok() once at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ky::gev {

class ByteReader
{
public:
    ByteReader(const uint8_t *data, size_t size) : mData(data), mSize(data ? size : 0) {}

    bool Ok() const { return mOk; }
    size_t Offset() const { return mOffset; }
    size_t Remaining() const { return mOk ? mSize - mOffset : 0; }
    const uint8_t *Current() const { return mData + mOffset; }

    bool U8(uint8_t &value) { return Read(value, 1); }
    bool U16(uint16_t &value) { return Read(value, 2); }
    bool U24(uint32_t &value) { return Read(value, 3); }
    bool U32(uint32_t &value) { return Read(value, 4); }
    bool U64(uint64_t &value) { return Read(value, 8); }
    bool Skip(size_t count)
    {
        if (!Check(count))
            return false;
        mOffset += count;
        return true;
    }
    bool Bytes(void *out, size_t count)
    {
        if (!Check(count))
            return false;
        std::memcpy(out, mData + mOffset, count);
        mOffset += count;
        return true;
    }

private:
    bool Check(size_t count)
    {
        if (!mOk || count > mSize - mOffset)
            mOk = false;
        return mOk;
    }
    template <typename T> bool Read(T &value, size_t count)
    {
        if (!Check(count))
            return false;
        T v = 0;
        for (size_t i = 0; i < count; ++i)
            v = static_cast<T>((v << 8) | mData[mOffset + i]);
        value = v;
        mOffset += count;
        return true;
    }

    const uint8_t *mData;
    size_t mSize;
    size_t mOffset = 0;
    bool mOk = true;
};

class ByteWriter
{
public:
    ByteWriter(uint8_t *data, size_t size) : mData(data), mSize(data ? size : 0) {}

    bool Ok() const { return mOk; }
    size_t Offset() const { return mOffset; }
    size_t Remaining() const { return mOk ? mSize - mOffset : 0; }

    bool U8(uint8_t value) { return Write(value, 1); }
    bool U16(uint16_t value) { return Write(value, 2); }
    bool U24(uint32_t value) { return Write(value, 3); }
    bool U32(uint32_t value) { return Write(value, 4); }
    bool U64(uint64_t value) { return Write(value, 8); }
    bool Zeros(size_t count)
    {
        if (!Check(count))
            return false;
        std::memset(mData + mOffset, 0, count);
        mOffset += count;
        return true;
    }
    bool Bytes(const void *in, size_t count)
    {
        if (!Check(count))
            return false;
        if (count)
            std::memcpy(mData + mOffset, in, count);
        mOffset += count;
        return true;
    }

private:
    bool Check(size_t count)
    {
        if (!mOk || count > mSize - mOffset)
            mOk = false;
        return mOk;
    }
    template <typename T> bool Write(T value, size_t count)
    {
        if (!Check(count))
            return false;
        for (size_t i = 0; i < count; ++i)
            mData[mOffset + i] = static_cast<uint8_t>(value >> (8 * (count - 1 - i)));
        mOffset += count;
        return true;
    }

    uint8_t *mData;
    size_t mSize;
    size_t mOffset = 0;
    bool mOk = true;
};

} // namespace ky::gev
