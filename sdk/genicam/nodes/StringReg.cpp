#include "nodes/StringReg.h"

#include <algorithm>

namespace ky::gc {

KyResult StringReg::DoGetString(std::string &v)
{
    std::vector<uint8_t> bytes;
    KyResult r = ReadRaw(bytes);
    if (!r.IsOK())
        return r;
    auto end = std::find(bytes.begin(), bytes.end(), 0);
    v.assign(bytes.begin(), end);
    return r;
}

KyResult StringReg::DoSetString(const std::string &v)
{
    int64_t length = 0;
    KyResult r = RegisterLength(length);
    if (!r.IsOK())
        return r;
    // A text that fills the register exactly is stored without its terminating zero.
    if (static_cast<int64_t>(v.size()) > length)
        return Error(KY_INVALID_PARAMETER, "text of " + std::to_string(v.size()) +
                                               " bytes is longer than the maximum " + std::to_string(length));
    std::vector<uint8_t> bytes(static_cast<size_t>(length), 0);
    std::copy(v.begin(), v.end(), bytes.begin());
    return WriteRaw(bytes.data(), length);
}

KyResult StringReg::DoGetMaxLength(int64_t &v) { return RegisterLength(v); }

}  // namespace ky::gc
