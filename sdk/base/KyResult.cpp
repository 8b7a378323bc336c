#include "ky/base/KyResult.h"

KyResult::KyResult() = default;
KyResult::KyResult(uint32_t code) : mCode(code) { }
KyResult::KyResult(uint32_t code, uint32_t osCode) : mCode(code), mOSCode(osCode) { }
KyResult::KyResult(uint32_t code, const KyString &description) : mCode(code), mDescription(description) { }
KyResult::KyResult(uint32_t code, uint32_t osCode, const KyString &description)
    : mCode(code), mOSCode(osCode), mDescription(description)
{ }
KyResult::KyResult(const KyResult &other) = default;
KyResult &KyResult::operator=(const KyResult &other) = default;
KyResult::~KyResult() = default;

const char *KyResult::CodeName(uint32_t code)
{
    switch (code) {
#define KY_CODE_CASE(name, value)                                                                            \
    case value:                                                                                              \
        return #name;
        KY_RESULT_CODE_TABLE(KY_CODE_CASE)
#undef KY_CODE_CASE
    }
    return nullptr;
}

KyString KyResult::GetCodeString() const
{
    const char *name = CodeName(mCode);
    return KyString(name ? name : "KY_UNKNOWN");
}

KyString KyResult::GetDescription() const { return mDescription; }
void KyResult::SetDescription(const KyString &description) { mDescription = description; }
bool KyResult::HasDescription() const { return !mDescription.IsEmpty(); }

KyResult &KyResult::operator|=(const KyResult &other)
{
    if (IsOK() && !other.IsOK())
        *this = other;
    return *this;
}
