#include "nodes/Register.h"

#include <cstring>

namespace ky::gc {

KyResult Register::DoGetBytes(uint8_t *data, int64_t length)
{
    std::vector<uint8_t> bytes;
    KyResult r = ReadRaw(bytes);
    if (!r.IsOK())
        return r;
    if (length < 1 || length > static_cast<int64_t>(bytes.size()))
        return Error(KY_INVALID_PARAMETER, "cannot read " + std::to_string(length) +
                                               " bytes from a register of " + std::to_string(bytes.size()));
    if (!data)
        return Error(KY_INVALID_PARAMETER, "was given a null buffer");
    std::memcpy(data, bytes.data(), static_cast<size_t>(length));
    return r;
}

KyResult Register::DoSetBytes(const uint8_t *data, int64_t length)
{
    if (!data)
        return Error(KY_INVALID_PARAMETER, "was given a null buffer");
    return WriteRaw(data, length);
}

}  // namespace ky::gc
