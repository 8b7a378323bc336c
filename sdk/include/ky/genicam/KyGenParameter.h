// KyGenParameter: one feature of a GenICam node map, handed out (borrowed) by a
// KyGenParameterArray, which owns it. The typed classes (KyGenInteger, KyGenFloat, ...)
// derive from it and add the value operations.
//
// Every call locks the array; calls from several threads are serialised. Failures are
// KyResults whose description starts with the feature name, e.g. "[Width] is not available".
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <vector>

#include "ky/base/KyEnums.h"
#include "ky/genicam/KyGenApiHandles.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KyGenEventSink;
class KyGenParameterList;

namespace ky::gc {
class ArrayCore;
class Node;
}  // namespace ky::gc

class KY_GENICAM_API KyGenParameter
{
public:
    virtual ~KyGenParameter();
    KyGenParameter(const KyGenParameter &) = delete;
    KyGenParameter &operator=(const KyGenParameter &) = delete;

    KyResult GetName(KyString &aName) const;
    KyResult GetType(KyGenType &aType) const;
    // The name of the first category that lists this feature; empty when none does.
    KyResult GetCategory(KyString &aCategory) const;
    KyResult GetToolTip(KyString &aToolTip) const;
    KyResult GetDescription(KyString &aDescription) const;
    KyResult GetDisplayName(KyString &aDisplayName) const;
    KyResult GetNameSpace(KyGenNameSpace &aNameSpace) const;
    // True when reads come from the host (cache or host value) instead of the device.
    KyResult IsValueCached(bool &aCached) const;
    // Persistent and streamable both report <Streamable>: the value belongs to saved settings.
    KyResult IsPersistent(bool &aPersistent) const;
    KyResult IsImplemented(bool &aImplemented) const;
    KyResult IsAvailable(bool &aAvailable) const;
    KyResult IsWritable(bool &aWritable) const;
    KyResult IsReadable(bool &aReadable) const;
    KyResult IsStreamable(bool &aStreamable) const;
    KyResult GetVisibility(KyGenVisibility &aVisibility) const;
    // Visible at a level: the feature's visibility is at or below it.
    KyResult IsVisible(KyGenVisibility aVisibility, bool &aVisible) const;
    KyResult IsSelector(bool &aSelector) const;
    // Adds the features this one selects (or that select this one) to the list.
    KyResult GetSelectedParameters(KyGenParameterList &aList) const;
    KyResult GetSelectingParameters(KyGenParameterList &aList) const;
    // The sink is kept by address until unregistered; the caller keeps it alive.
    KyResult RegisterEventSink(KyGenEventSink *aEventSink);
    KyResult UnregisterEventSink(KyGenEventSink *aEventSink);
    // The value as text and back, for user interfaces and saved settings.
    KyResult ToString(KyString &aValue) const;
    KyResult FromString(const KyString &aValue);
    KY_GENAPI_NS::INode *GetNode();
    bool GetUpdatesEnabled();
    void SetUpdatesEnabled(bool aEnabled);

protected:
    // Made only by the parameter array that owns the feature.
    KyGenParameter(ky::gc::ArrayCore *aCore, ky::gc::Node *aNode);
    friend class ky::gc::ArrayCore;

    ky::gc::ArrayCore *mCore;
    ky::gc::Node *mNode;

private:
    // Copies of the registered sinks, or none while updates are disabled.
    std::vector<KyGenEventSink *> SinksToNotify() const;

    std::vector<KyGenEventSink *> mSinks;
    bool mUpdatesEnabled = true;
};
