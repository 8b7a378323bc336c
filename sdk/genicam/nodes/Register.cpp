#include "nodes/Register.h"

#include <cstring>

#include "ValueAccess.h"

namespace ky::gc {

KyResult Register::DoGetBytes(uint8_t *data, int64_t length)
{
    // The length is checked against the register's before the device is read.
    KyResult r = CheckByteBuffer(*this, data, length);
    int64_t registerLength = 0;
    if (r.IsOK())
        r = RegisterLength(registerLength);
    if (!r.IsOK())
        return r;
    if (length < 1 || length > registerLength)
        return Error(KY_INVALID_PARAMETER, "cannot read " + std::to_string(length) +
                                               " bytes from a register of " + std::to_string(registerLength));
    std::vector<uint8_t> bytes;
    r = ReadRaw(bytes);
    if (!r.IsOK())
        return r;
    if (length > static_cast<int64_t>(bytes.size()))
        return Error(KY_INVALID_PARAMETER, "cannot read " + std::to_string(length) +
                                               " bytes from a register of " + std::to_string(bytes.size()));
    std::memcpy(data, bytes.data(), static_cast<size_t>(length));
    return r;
}

KyResult Register::DoSetBytes(const uint8_t *data, int64_t length)
{
    KyResult r = CheckByteBuffer(*this, data, length);
    return r.IsOK() ? WriteRaw(data, length) : r;
}

}  // namespace ky::gc
