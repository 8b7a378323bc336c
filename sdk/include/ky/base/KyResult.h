// KyResult: the outcome of an SDK call, a code (see KyEnums.h) with an optional description.
//
// Descriptions are written in one style: a plain lower-case phrase without a closing full stop
// and without the name of the function that failed (the code and the log say where), naming the
// value that is wrong, in quotes when it is a text: "the event sink is null", "cannot open
// 'a.xml' for writing", "a packet size goes from 1 to 65535 bytes". A failure about one named
// feature or register starts with its name in brackets: "[PixelFormat] 5 is the value of no entry".
// Some older texts keep their first form because programs and tests already match them.
//
// A KyResult is [[nodiscard]]: a caller that drops one must say so with `(void)` and a reason.
#pragma once

#include "ky/base/KyBaseExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyString.h"

class [[nodiscard]] KY_BASE_API KyResult
{
public:
    /// A result with the code KY_OK.
    KyResult();
    /// A result with a code.
    ///
    /// @param[in] code a result code (KY_OK, KY_NOT_FOUND, ...)
    KyResult(uint32_t code);
    /// A result with a code and the operating system's error number.
    ///
    /// @param[in] code a result code
    /// @param[in] osCode the operating system's error number (errno)
    KyResult(uint32_t code, uint32_t osCode);
    /// A result with a code and a description.
    ///
    /// @param[in] code a result code
    /// @param[in] description what went wrong, for people
    KyResult(uint32_t code, const KyString &description);
    /// A result with a code, the operating system's error number and a description.
    ///
    /// @param[in] code a result code
    /// @param[in] osCode the operating system's error number (errno)
    /// @param[in] description what went wrong, for people
    KyResult(uint32_t code, uint32_t osCode, const KyString &description);
    /// A copy of another result.
    ///
    /// @param[in] other the result to copy
    KyResult(const KyResult &other);
    KyResult &operator=(const KyResult &other);
    ~KyResult();

    /// The result code.
    ///
    /// @return a result code (KY_OK, KY_NOT_FOUND, ...)
    uint32_t GetCode() const { return mCode; }
    /// Replaces the result code.
    ///
    /// @param[in] code a result code
    void SetCode(uint32_t code) { mCode = code; }
    /// The code's name, such as "KY_NOT_FOUND"; "KY_UNKNOWN" for a code outside the table.
    ///
    /// @return the name of the code
    KyString GetCodeString() const;
    /// The description; empty when there is none.
    ///
    /// @return what went wrong, for people
    KyString GetDescription() const;
    /// Replaces the description.
    ///
    /// @param[in] description what went wrong, for people
    void SetDescription(const KyString &description);
    /// Whether the result carries a description.
    ///
    /// @return true when the description is not empty
    bool HasDescription() const;
    /// The operating system's error number.
    ///
    /// @return errno of the failure, 0 when none
    uint32_t GetOSCode() const { return mOSCode; }
    /// The SDK's internal code.
    ///
    /// @return the internal code, 0 when none
    uint32_t GetInternalCode() const { return mInternalCode; }
    /// Whether the code is KY_OK.
    ///
    /// @return true for KY_OK
    bool IsOK() const { return mCode == KY_OK; }
    /// Whether the code is KY_PENDING.
    ///
    /// @return true for KY_PENDING
    bool IsPending() const { return mCode == KY_PENDING; }
    /// Whether the operation succeeded or is still under way.
    ///
    /// @return true for KY_OK and KY_PENDING
    bool IsSuccess() const { return IsOK() || IsPending(); }
    /// Whether the operation failed.
    ///
    /// @return true for every code but KY_OK and KY_PENDING
    bool IsFailure() const { return !IsSuccess(); }

    bool operator==(const KyResult &other) const { return mCode == other.mCode; }
    bool operator!=(const KyResult &other) const { return mCode != other.mCode; }
    bool operator==(uint32_t code) const { return mCode == code; }
    bool operator!=(uint32_t code) const { return mCode != code; }
    /// Keeps the first failure: an OK result takes the other's code and description.
    ///
    /// @param[in] other the result to merge in
    ///
    /// @return this result
    KyResult &operator|=(const KyResult &other);

    // Name of a result code, or nullptr for a code outside the table.
    static const char *CodeName(uint32_t code);

private:
    uint32_t mCode = KY_OK;
    uint32_t mOSCode = 0;
    uint32_t mInternalCode = 0;
    KyString mDescription;
};
