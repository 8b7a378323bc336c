// KyResult: the outcome of an SDK call, a code (see KyEnums.h) with an optional description.
// A KyResult is [[nodiscard]]: a caller that drops one must say so with `(void)` and a reason.
#pragma once

#include "ky/base/KyBaseExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyString.h"

class [[nodiscard]] KY_BASE_API KyResult
{
public:
    KyResult();  // KY_OK
    KyResult(uint32_t code);
    KyResult(uint32_t code, uint32_t osCode);
    KyResult(uint32_t code, const KyString &description);
    KyResult(uint32_t code, uint32_t osCode, const KyString &description);
    KyResult(const KyResult &other);
    KyResult &operator=(const KyResult &other);
    ~KyResult();

    uint32_t GetCode() const { return mCode; }
    void SetCode(uint32_t code) { mCode = code; }
    // The code's name, such as "KY_NOT_FOUND"; "KY_UNKNOWN" for a code outside the table.
    KyString GetCodeString() const;
    KyString GetDescription() const;
    void SetDescription(const KyString &description);
    bool HasDescription() const;
    uint32_t GetOSCode() const { return mOSCode; }
    uint32_t GetInternalCode() const { return mInternalCode; }

    bool IsOK() const { return mCode == KY_OK; }
    bool IsPending() const { return mCode == KY_PENDING; }
    bool IsSuccess() const { return IsOK() || IsPending(); }
    bool IsFailure() const { return !IsSuccess(); }

    bool operator==(const KyResult &other) const { return mCode == other.mCode; }
    bool operator!=(const KyResult &other) const { return mCode != other.mCode; }
    bool operator==(uint32_t code) const { return mCode == code; }
    bool operator!=(uint32_t code) const { return mCode != code; }
    // Keeps the first failure: an OK result takes the other's code and description.
    KyResult &operator|=(const KyResult &other);

    // Name of a result code, or nullptr for a code outside the table.
    static const char *CodeName(uint32_t code);

private:
    uint32_t mCode = KY_OK;
    uint32_t mOSCode = 0;
    uint32_t mInternalCode = 0;
    KyString mDescription;
};
