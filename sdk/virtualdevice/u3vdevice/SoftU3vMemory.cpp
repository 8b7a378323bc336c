#include "u3vdevice/SoftU3vMemory.h"

#include <algorithm>
#include <cstring>

namespace ky::soft {

using u3v::GenCpStatus;

namespace {

GenCpStatus StatusForResult(const KyResult &result)
{
    if (result.IsOK()) {
        return GenCpStatus::Success;
    }
    switch (result.GetCode()) {
    case KY_INVALID_PARAMETER:
        return GenCpStatus::InvalidParameter;
    case KY_BUSY:
        return GenCpStatus::Busy;
    case KY_NOT_IMPLEMENTED:
        return GenCpStatus::NotImplemented;
    default:
        return GenCpStatus::GenericError;
    }
}

}  // namespace

GenCpStatus SoftU3vMemory::CheckRange(uint64_t address, size_t size, bool write)
{
    const uint64_t end = address + size;
    if (size == 0 || end > (uint64_t(1) << 32) || end < address) {
        return GenCpStatus::InvalidAddress;
    }
    for (uint64_t at = address; at < end;) {
        SoftRegister *reg = mMap.FindContaining(static_cast<uint32_t>(at));
        if (reg == nullptr) {
            return GenCpStatus::InvalidAddress;
        }
        if (write ? !reg->IsWritable() : !reg->IsReadable()) {
            return write ? GenCpStatus::WriteProtect : GenCpStatus::AccessDenied;
        }
        at = reg->GetAddress() + static_cast<uint64_t>(reg->GetLength());
    }
    return GenCpStatus::Success;
}

bool SoftU3vMemory::Swapped(const SoftRegister &reg) const
{
    const size_t length = reg.GetLength();
    return mLittleEndian && !reg.IsArrayOfBytes() && (length == 2 || length == 4 || length == 8);
}

GenCpStatus SoftU3vMemory::Read(uint64_t address, uint8_t *data, size_t size)
{
    GenCpStatus status = CheckRange(address, size, false);
    for (size_t done = 0; status == GenCpStatus::Success && done < size;) {
        SoftRegister *reg = mMap.FindContaining(static_cast<uint32_t>(address + done));
        const uint32_t offset = static_cast<uint32_t>(address + done - reg->GetAddress());
        const uint32_t chunk =
            static_cast<uint32_t>(std::min<size_t>(size - done, reg->GetLength() - offset));
        if (Swapped(*reg)) {
            uint8_t value[8];
            const uint32_t length = static_cast<uint32_t>(reg->GetLength());
            status = StatusForResult(reg->ReadBytes(value, length, 0));
            std::reverse(value, value + length);
            std::memcpy(data + done, value + offset, chunk);
        } else {
            status = StatusForResult(reg->ReadBytes(data + done, chunk, offset));
        }
        done += chunk;
    }
    return status;
}

GenCpStatus SoftU3vMemory::Write(uint64_t address, const uint8_t *data, size_t size)
{
    GenCpStatus status = CheckRange(address, size, true);
    for (size_t done = 0; status == GenCpStatus::Success && done < size;) {
        SoftRegister *reg = mMap.FindContaining(static_cast<uint32_t>(address + done));
        const uint32_t offset = static_cast<uint32_t>(address + done - reg->GetAddress());
        const uint32_t chunk =
            static_cast<uint32_t>(std::min<size_t>(size - done, reg->GetLength() - offset));
        if (Swapped(*reg)) {
            // The whole register is written: the bytes given over its present value.
            uint8_t value[8];
            const uint32_t length = static_cast<uint32_t>(reg->GetLength());
            if (chunk != length) {
                status = StatusForResult(reg->ReadBytes(value, length, 0));
                std::reverse(value, value + length);
            }
            std::memcpy(value + offset, data + done, chunk);
            std::reverse(value, value + length);
            if (status == GenCpStatus::Success) {
                status = StatusForResult(reg->Write(value, length, 0));
            }
        } else {
            status = StatusForResult(reg->Write(data + done, chunk, offset));
        }
        done += chunk;
    }
    return status;
}

}  // namespace ky::soft
