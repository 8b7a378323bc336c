// Bounds-checked big-endian reading and writing over a (pointer, length) pair: a cursor over the
// SDK's byte-order helper (ky/ByteOrder.h), which does the loads and stores.
//
// Every wire format of the kit goes through these two classes: no received buffer is ever cast to
// a struct. A read or write past the end fails, leaves the output untouched and latches the cursor
// into a failed state (Ok() turns false), so a parser may do several reads and check once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "ky/ByteOrder.h"

namespace ky::gev {

// Position, size and the failure latch shared by the reader and the writer.
class ByteCursor
{
public:
    bool Ok() const { return mOk; }
    size_t Position() const { return mPos; }
    size_t Size() const { return mSize; }
    size_t Remaining() const { return mSize - mPos; }

protected:
    explicit ByteCursor(size_t size) : mSize(size) { }

    // Moves past `count` bytes if they are there; otherwise fails for good.
    bool Take(size_t count)
    {
        if (!mOk || count > Remaining()) {
            mOk = false;
            return false;
        }
        mPos += count;
        return true;
    }

    size_t mSize;
    size_t mPos = 0;
    bool mOk = true;
};

class ByteReader : public ByteCursor
{
public:
    ByteReader(const uint8_t *data, size_t size) : ByteCursor(data ? size : 0), mData(data) { }

    bool ReadU8(uint8_t &value) { return ReadBig(value); }
    bool ReadU16(uint16_t &value) { return ReadBig(value); }
    bool ReadU32(uint32_t &value) { return ReadBig(value); }
    bool ReadU64(uint64_t &value) { return ReadBig(value); }
    // A 24-bit field (the packet id of a standard GVSP header).
    bool ReadU24(uint32_t &value)
    {
        if (!Take(3)) {
            return false;
        }
        value = static_cast<uint32_t>(base::LoadUnsigned(mData + mPos - 3, 3, base::Endian::Big));
        return true;
    }

    bool ReadBytes(uint8_t *out, size_t count)
    {
        if (!Take(count)) {
            return false;
        }
        if (count > 0) {
            std::memcpy(out, mData + mPos - count, count);
        }
        return true;
    }

    // A fixed-size text field: the text ends at the first NUL or at the field's end.
    bool ReadFixedString(std::string &out, size_t fieldSize)
    {
        if (!Take(fieldSize)) {
            return false;
        }
        const char *begin = reinterpret_cast<const char *>(mData + mPos - fieldSize);
        size_t length = 0;
        while (length < fieldSize && begin[length] != '\0') {
            ++length;
        }
        out.assign(begin, length);
        return true;
    }

    bool Skip(size_t count) { return Take(count); }

private:
    template <typename T>
    bool ReadBig(T &value)
    {
        if (!Take(sizeof(T))) {
            return false;
        }
        value = base::Load<T>(mData + mPos - sizeof(T));
        return true;
    }

    const uint8_t *mData;
};

class ByteWriter : public ByteCursor
{
public:
    ByteWriter(uint8_t *data, size_t capacity) : ByteCursor(data ? capacity : 0), mData(data) { }

    size_t Capacity() const { return mSize; }

    bool WriteU8(uint8_t value) { return WriteBig(value); }
    bool WriteU16(uint16_t value) { return WriteBig(value); }
    bool WriteU32(uint32_t value) { return WriteBig(value); }
    bool WriteU64(uint64_t value) { return WriteBig(value); }
    // The low 24 bits of `value`.
    bool WriteU24(uint32_t value)
    {
        if (!Take(3)) {
            return false;
        }
        base::StoreUnsigned(mData + mPos - 3, 3, base::Endian::Big, value);
        return true;
    }

    bool WriteBytes(const uint8_t *data, size_t count)
    {
        if (!Take(count)) {
            return false;
        }
        if (count > 0) {
            std::memcpy(mData + mPos - count, data, count);
        }
        return true;
    }

    bool WriteZeros(size_t count)
    {
        if (!Take(count)) {
            return false;
        }
        std::memset(mData + mPos - count, 0, count);
        return true;
    }

    // A fixed-size text field, cut at the field size and padded with NULs.
    bool WriteFixedString(const std::string &text, size_t fieldSize)
    {
        if (!Take(fieldSize)) {
            return false;
        }
        uint8_t *field = mData + mPos - fieldSize;
        std::memset(field, 0, fieldSize);
        std::memcpy(field, text.data(), text.size() < fieldSize ? text.size() : fieldSize);
        return true;
    }

    // Overwrites a 16-bit field already written (used to fill a length field last).
    bool PatchU16(size_t offset, uint16_t value)
    {
        if (offset > mPos || mPos - offset < 2) {
            mOk = false;
            return false;
        }
        base::Store(mData + offset, value);
        return true;
    }

private:
    template <typename T>
    bool WriteBig(T value)
    {
        if (!Take(sizeof(T))) {
            return false;
        }
        base::Store(mData + mPos - sizeof(T), value);
        return true;
    }

    uint8_t *mData;
};

}  // namespace ky::gev
