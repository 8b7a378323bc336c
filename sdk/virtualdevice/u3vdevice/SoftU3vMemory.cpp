#include "u3vdevice/SoftU3vMemory.h"

#include <algorithm>

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

GenCpStatus SoftU3vMemory::Read(uint64_t address, uint8_t *data, size_t size)
{
    GenCpStatus status = CheckRange(address, size, false);
    for (size_t done = 0; status == GenCpStatus::Success && done < size;) {
        SoftRegister *reg = mMap.FindContaining(static_cast<uint32_t>(address + done));
        const uint32_t offset = static_cast<uint32_t>(address + done - reg->GetAddress());
        const uint32_t chunk =
            static_cast<uint32_t>(std::min<size_t>(size - done, reg->GetLength() - offset));
        status = StatusForResult(reg->ReadBytes(data + done, chunk, offset));
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
        status = StatusForResult(reg->Write(data + done, chunk, offset));
        done += chunk;
    }
    return status;
}

}  // namespace ky::soft
