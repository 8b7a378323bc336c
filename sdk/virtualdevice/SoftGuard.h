// Calls into program code (event sinks, hooks) must not let an exception into device threads:
// a throw becomes a logged failure.
#pragma once

#include <exception>

#include "ky/base/KyResult.h"
#include "SoftLog.h"

namespace ky::soft {

template <typename F>
KyResult GuardedResult(const char *what, F &&call)
{
    try {
        return call();
    } catch (const std::exception &error) {
        SoftLog("[SoftDevice] %s threw: %s", what, error.what());
    } catch (...) {
        SoftLog("[SoftDevice] %s threw", what);
    }
    return KyResult(KY_GENERIC_ERROR, KyString(what) + " threw an exception");
}

template <typename F>
void GuardedVoid(const char *what, F &&call)
{
    (void)GuardedResult(what, [&] {  // a throw is logged there; the call has no result of its own
        call();
        return KyResult(KY_OK);
    });
}

}  // namespace ky::soft
