// Calls into user code (event sinks) from stream and pipeline code: an exception must not reach
// the SDK's threads or its callers, so it is caught and logged.
#pragma once

#include <exception>
#include <string>

#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogger.h"

namespace ky::stream {

inline KyLogger &StreamLog()
{
    return *KyLogCategories::Find("stream");
}

template <typename F>
void GuardedCall(const char *what, F &&call)
{
    try {
        call();
    } catch (const std::exception &error) {
        StreamLog().LogError(__FILE__, __LINE__, what, (std::string("threw: ") + error.what()).c_str());
    } catch (...) {
        StreamLog().LogError(__FILE__, __LINE__, what, "threw an exception");
    }
}

} // namespace ky::stream
