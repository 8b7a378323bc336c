#include "ky/genicam/KyGenParameter.h"

#include <algorithm>

#include "ArrayCore.h"
#include "ky/genicam/KyGenParameterList.h"
#include "ValueAccess.h"

using ky::gc::ArrayCore;
using ky::gc::Interface;

KyGenParameter::KyGenParameter(ArrayCore *aCore, ky::gc::Node *aNode) : mCore(aCore), mNode(aNode) { }
KyGenParameter::~KyGenParameter() = default;

namespace {

KyResult Text(ArrayCore *core, KyString &out, const std::string &value)
{
    return core->Read([&] {
        out = KyString(value);
        return KyResult();
    });
}

}  // namespace

KyResult KyGenParameter::GetName(KyString &aName) const { return Text(mCore, aName, mNode->Name()); }
KyResult KyGenParameter::GetToolTip(KyString &aToolTip) const
{
    return Text(mCore, aToolTip, mNode->ToolTip());
}
KyResult KyGenParameter::GetDescription(KyString &aDescription) const
{
    return Text(mCore, aDescription, mNode->Description());
}
KyResult KyGenParameter::GetDisplayName(KyString &aDisplayName) const
{
    return Text(mCore, aDisplayName, mNode->DisplayName());
}
KyResult KyGenParameter::GetCategory(KyString &aCategory) const
{
    return Text(mCore, aCategory, mCore->CategoryOf(mNode));
}

KyResult KyGenParameter::GetType(KyGenType &aType) const
{
    switch (mNode->Kind()) {
    case Interface::Integer:
        aType = KyGenTypeInteger;
        break;
    case Interface::Float:
        aType = KyGenTypeFloat;
        break;
    case Interface::Boolean:
        aType = KyGenTypeBoolean;
        break;
    case Interface::Command:
        aType = KyGenTypeCommand;
        break;
    case Interface::Enumeration:
        aType = KyGenTypeEnum;
        break;
    case Interface::String:
        aType = KyGenTypeString;
        break;
    case Interface::Register:
        aType = KyGenTypeRegister;
        break;
    default:
        aType = KyGenTypeUndefined;
        break;
    }
    return KyResult();
}

KyResult KyGenParameter::GetNameSpace(KyGenNameSpace &aNameSpace) const
{
    aNameSpace = mNode->NameSpace();
    return KyResult();
}

KyResult KyGenParameter::GetVisibility(KyGenVisibility &aVisibility) const
{
    aVisibility = mNode->Visibility();
    return KyResult();
}

KyResult KyGenParameter::IsVisible(KyGenVisibility aVisibility, bool &aVisible) const
{
    aVisible = static_cast<int32_t>(mNode->Visibility()) <= static_cast<int32_t>(aVisibility);
    return KyResult();
}

KyResult KyGenParameter::IsValueCached(bool &aCached) const
{
    return mCore->Read([&] {
        aCached = mNode->IsValueCached();
        return KyResult();
    });
}

KyResult KyGenParameter::IsPersistent(bool &aPersistent) const { return IsStreamable(aPersistent); }

KyResult KyGenParameter::IsStreamable(bool &aStreamable) const
{
    aStreamable = mNode->Streamable();
    return KyResult();
}

KyResult KyGenParameter::IsImplemented(bool &aImplemented) const
{
    return mCore->Read([&] { return mNode->IsImplemented(aImplemented); });
}

KyResult KyGenParameter::IsAvailable(bool &aAvailable) const
{
    return mCore->Read([&] {
        KyGenAccessMode mode;
        KyResult r = mNode->GetAccessMode(mode);
        aAvailable = r.IsOK() && mode != KyGenAccessModeNotAvailable && mode != KyGenAccessModeNotImplemented;
        return r;
    });
}

KyResult KyGenParameter::IsWritable(bool &aWritable) const
{
    return mCore->Read([&] {
        KyGenAccessMode mode;
        KyResult r = mNode->GetAccessMode(mode);
        aWritable = r.IsOK() && (mode == KyGenAccessModeReadWrite || mode == KyGenAccessModeWriteOnly);
        return r;
    });
}

KyResult KyGenParameter::IsReadable(bool &aReadable) const
{
    return mCore->Read([&] {
        KyGenAccessMode mode;
        KyResult r = mNode->GetAccessMode(mode);
        aReadable = r.IsOK() && (mode == KyGenAccessModeReadWrite || mode == KyGenAccessModeReadOnly);
        return r;
    });
}

KyResult KyGenParameter::IsSelector(bool &aSelector) const
{
    aSelector = !mNode->Selected().empty();
    return KyResult();
}

KyResult KyGenParameter::GetSelectedParameters(KyGenParameterList &aList) const
{
    for (ky::gc::Node *n : mNode->Selected())
        if (n->Feature())
            aList.Add(n->Feature());
    return KyResult();
}

KyResult KyGenParameter::GetSelectingParameters(KyGenParameterList &aList) const
{
    for (ky::gc::Node *n : mNode->Selecting())
        if (n->Feature())
            aList.Add(n->Feature());
    return KyResult();
}

KyResult KyGenParameter::RegisterEventSink(KyGenEventSink *aEventSink)
{
    if (!aEventSink)
        return KyResult(KY_INVALID_PARAMETER,
                        KyString(mNode->Prefix() + "cannot register a null event sink"));
    return mCore->Read([&] {
        if (std::find(mSinks.begin(), mSinks.end(), aEventSink) == mSinks.end())
            mSinks.push_back(aEventSink);
        return KyResult();
    });
}

KyResult KyGenParameter::UnregisterEventSink(KyGenEventSink *aEventSink)
{
    return mCore->Read([&] {
        auto it = std::find(mSinks.begin(), mSinks.end(), aEventSink);
        if (it == mSinks.end())
            return KyResult(KY_NOT_FOUND, KyString(mNode->Prefix() + "has no such event sink registered"));
        mSinks.erase(it);
        return KyResult();
    });
}

std::vector<KyGenEventSink *> KyGenParameter::SinksToNotify() const
{
    return mUpdatesEnabled ? mSinks : std::vector<KyGenEventSink *>();
}

bool KyGenParameter::GetUpdatesEnabled()
{
    bool enabled = true;
    (void)mCore->Read([&] {  // the function cannot fail
        enabled = mUpdatesEnabled;
        return KyResult();
    });
    return enabled;
}

void KyGenParameter::SetUpdatesEnabled(bool aEnabled)
{
    (void)mCore->Read([&] {  // the function cannot fail
        mUpdatesEnabled = aEnabled;
        return KyResult();
    });
}

KY_GENAPI_NS::INode *KyGenParameter::GetNode() { return mNode; }

KyResult KyGenParameter::ToString(KyString &aValue) const
{
    return mCore->Read([&] {
        std::string text;
        KyResult r = ky::gc::ValueToText(*mNode, text);
        if (r.IsOK())
            aValue = KyString(text);
        return r;
    });
}

KyResult KyGenParameter::FromString(const KyString &aValue)
{
    return mCore->Change([&] { return ky::gc::ValueFromText(*mNode, aValue.str()); });
}
