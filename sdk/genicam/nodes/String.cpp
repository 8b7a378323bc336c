#include "nodes/String.h"

namespace ky::gc {

KyResult String::DoGetString(std::string &v)
{
    return WithValue([&](Property &p) { return p.GetString(*this, v); });
}

KyResult String::DoSetString(const std::string &v)
{
    return WithValue([&](Property &p) {
        if (!p.Target() && static_cast<int64_t>(v.size()) > kHostMaxLength)
            return Error(KY_INVALID_PARAMETER, "text of " + std::to_string(v.size()) +
                                                   " bytes is longer than the maximum " +
                                                   std::to_string(kHostMaxLength));
        return p.SetString(*this, v);
    });
}

KyResult String::DoGetMaxLength(int64_t &v)
{
    if (Node *t = CurrentTarget())
        return t->GetMaxLength(v);
    v = kHostMaxLength;
    return KyResult();
}

}  // namespace ky::gc
