#include "nodes/String.h"

namespace ky::gc {

KyResult String::DoGetString(std::string &v)
{
    KyResult r = RequireValue();
    return r.IsOK() ? mValue.GetString(*this, v) : r;
}

KyResult String::DoSetString(const std::string &v)
{
    KyResult r = RequireValue();
    if (r.IsOK() && !mValue.Target() && static_cast<int64_t>(v.size()) > kHostMaxLength)
        return Error(KY_INVALID_PARAMETER, "text of " + std::to_string(v.size()) + " bytes is longer than the maximum " +
                                               std::to_string(kHostMaxLength));
    return r.IsOK() ? mValue.SetString(*this, v) : r;
}

KyResult String::DoGetMaxLength(int64_t &v)
{
    if (mValue.Target()) return mValue.Target()->GetMaxLength(v);
    v = kHostMaxLength;
    return RequireValue();
}

}  // namespace ky::gc
