// Reading a fuzzer's input as a few fields and a rest, without ever reading past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ky/ByteOrder.h"

class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size) : mData(data), mSize(size) { }

    size_t Left() const { return mSize - mAt; }
    // The next byte, 0 once the input is used up.
    uint8_t Byte() { return mAt < mSize ? mData[mAt++] : 0; }
    // Big-endian fields, zero-filled past the end.
    uint16_t U16() { return Field<uint16_t>(); }
    uint32_t U32() { return Field<uint32_t>(); }
    // The next `length` bytes (fewer at the end); `length` gets what was taken.
    const uint8_t *Take(size_t &length)
    {
        if (length > Left())
            length = Left();
        const uint8_t *at = mData + mAt;
        mAt += length;
        return at;
    }
    // A piece led by its 16-bit length.
    const uint8_t *Piece(size_t &length)
    {
        length = U16();
        return Take(length);
    }
    std::string Rest()
    {
        size_t length = Left();
        const uint8_t *at = Take(length);
        return std::string(reinterpret_cast<const char *>(at), length);
    }

private:
    template <typename T>
    T Field()
    {
        uint8_t bytes[sizeof(T)];
        for (uint8_t &b : bytes)
            b = Byte();
        return ky::base::Load<T>(bytes);
    }

    const uint8_t *mData;
    size_t mSize;
    size_t mAt = 0;
};
