// The one exception barrier of the C interface: no exception leaves an ST_ function. Our own
// failures are result codes already; what still arrives as an exception (memory exhausted, a
// lock or file-system failure deep inside) becomes a code, and its text is handed to `store`
// (the camera's last error, where a camera is involved).
#pragma once

#include <cstdint>
#include <exception>
#include <new>

#include "ky/base/KyEnums.h"
#include "ResultCodes.h"

namespace ky::camctrl {

template <class Store>
int ReportUnexpected(Store &store, uint32_t sdkCode, const char *text) noexcept
{
    try {
        store(sdkCode, text);
    } catch (...) {
        // Storing the text needs memory too; the code alone still reaches the caller.
    }
    return ConvertErrorCode(sdkCode);
}

// Runs body() and returns its int; an exception gives BNK_ERR_NOT_ENOUGH_MEMORY (std::bad_alloc)
// or BNK_ERR_GENERIC with the exception's text.
template <class Body, class Store>
int Barrier(Body &&body, Store &&store) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return ReportUnexpected(store, KY_NOT_ENOUGH_MEMORY, "Not enough memory.");
    } catch (const std::exception &error) {
        return ReportUnexpected(store, KY_GENERIC_ERROR, error.what());
    } catch (...) {
        return ReportUnexpected(store, KY_GENERIC_ERROR, "Unexpected failure of unknown kind.");
    }
}

}  // namespace ky::camctrl
