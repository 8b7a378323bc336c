#include "ky/genicam/KyGenStateStack.h"

#include <string>

#include "ky/genicam/KyGenParameterArray.h"
#include "GenICamLog.h"

KyGenStateStack::KyGenStateStack(KyGenParameterArray *aParameters) : mParameters(aParameters) { }

KyGenStateStack::~KyGenStateStack()
{
    if (!mParameters)
        return;
    for (auto it = mSaved.rbegin(); it != mSaved.rend(); ++it) {
        KyGenParameter *p = mParameters->Get(it->first);
        const KyResult r = p ? p->FromString(it->second) : KyResult();
        if (r.IsFailure()) {
            const std::string message = "[" + it->first.str() + "] not restored to " + it->second.str() +
                                        ": " + r.GetDescription().str();
            ky::gc::GenICamLog().LogWarning(__FILE__, __LINE__, "KyGenStateStack", message.c_str());
        }
    }
}

// Records the current value as text, then makes the change; only a change that took is kept.
template <typename Change>
KyResult KyGenStateStack::Push(const KyString &aName, Change change)
{
    if (!mParameters)
        return KyResult(KY_INVALID_PARAMETER, KyString("the state stack has no parameter array"));
    KyGenParameter *p = mParameters->Get(aName);
    if (!p)
        return KyResult(KY_NOT_FOUND, KyString("[" + aName.str() + "] no such feature"));
    KyString before;
    bool readable = false;
    // A feature whose access cannot be told counts as unreadable: there is nothing to restore.
    (void)p->IsReadable(readable);
    KyResult r = readable ? p->ToString(before) : KyResult();
    if (r.IsOK())
        r = change();
    if (r.IsOK() && readable)
        mSaved.emplace_back(aName, before);
    return r;
}

KyResult KyGenStateStack::SetIntegerValue(const KyString &aName, int64_t aValue)
{
    return Push(aName, [&] { return mParameters->SetIntegerValue(aName, aValue); });
}

KyResult KyGenStateStack::SetFloatValue(const KyString &aName, double aValue)
{
    return Push(aName, [&] { return mParameters->SetFloatValue(aName, aValue); });
}

KyResult KyGenStateStack::SetEnumValue(const KyString &aName, const KyString &aValue)
{
    return Push(aName, [&] { return mParameters->SetEnumValue(aName, aValue); });
}

KyResult KyGenStateStack::SetEnumValue(const KyString &aName, int64_t aValue)
{
    return Push(aName, [&] { return mParameters->SetEnumValue(aName, aValue); });
}

KyResult KyGenStateStack::SetBooleanValue(const KyString &aName, bool aValue)
{
    return Push(aName, [&] { return mParameters->SetBooleanValue(aName, aValue); });
}

KyResult KyGenStateStack::SetStringValue(const KyString &aName, const KyString &aValue)
{
    return Push(aName, [&] { return mParameters->SetStringValue(aName, aValue); });
}
