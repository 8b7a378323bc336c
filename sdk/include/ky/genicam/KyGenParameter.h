// KyGenParameter: one feature of a GenICam node map, handed out (borrowed) by a
// KyGenParameterArray, which owns it. The typed classes (KyGenInteger, KyGenFloat, ...)
// derive from it and add the value operations.
//
// Every call locks the array; calls from several threads are serialised. Failures are
// KyResults whose description starts with the feature name, e.g. "[Width] is not available".
#pragma once

#include "ky/genicam/KyGenICamExport.h"
#include "ky/base/KyBaseExport.h"

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

    /// The feature's name.
    ///
    /// @param[out] aName receives the name
    ///
    /// @return the result and the name (None when the result is not OK)
    KyResult GetName(KyString &aName) const;
    /// The feature's type.
    ///
    /// @param[out] aType receives a KyGenType value
    ///
    /// @return the result and the KyGenType value (None when the result is not OK)
    KyResult GetType(KyGenType &aType) const;
    /// The feature's category, as text.
    ///
    /// The name of the first category that lists this feature; empty when none does.
    ///
    /// @param[out] aCategory receives the category's name
    ///
    /// @return the result and the category's name (None when the result is not OK)
    KyResult GetCategory(KyString &aCategory) const;
    /// The feature's short help text.
    ///
    /// @param[out] aToolTip receives the tool tip
    ///
    /// @return the result and the tool tip (None when the result is not OK)
    KyResult GetToolTip(KyString &aToolTip) const;
    /// The feature's long help text.
    ///
    /// @param[out] aDescription receives the description
    ///
    /// @return the result and the description (None when the result is not OK)
    KyResult GetDescription(KyString &aDescription) const;
    /// The feature's name for people.
    ///
    /// @param[out] aDisplayName receives the display name
    ///
    /// @return the result and the display name (None when the result is not OK)
    KyResult GetDisplayName(KyString &aDisplayName) const;
    /// Whether the feature is a standard or a custom one.
    ///
    /// @param[out] aNameSpace receives a KyGenNameSpace value
    ///
    /// @return the result and the KyGenNameSpace value (None when the result is not OK)
    KyResult GetNameSpace(KyGenNameSpace &aNameSpace) const;
    /// Whether the host keeps a cached copy of the value instead of reading the device at each request.
    ///
    /// @param[out] aCached receives the flag
    ///
    /// @return the result and the flag
    KyResult IsValueCached(bool &aCached) const;
    /// Whether the value belongs to a saved state of the device's features.
    ///
    /// Persistent and streamable both report the same: the value belongs to saved settings.
    ///
    /// @param[out] aPersistent receives the flag
    ///
    /// @return the result and the flag
    KyResult IsPersistent(bool &aPersistent) const;
    /// Whether the feature is implemented (this seldom changes over the feature's life).
    ///
    /// @param[out] aImplemented receives the flag
    ///
    /// @return the result and the flag
    KyResult IsImplemented(bool &aImplemented) const;
    /// Whether the feature is currently available.
    ///
    /// @param[out] aAvailable receives the flag
    ///
    /// @return the result and the flag
    KyResult IsAvailable(bool &aAvailable) const;
    /// Whether the feature is currently writable.
    ///
    /// @param[out] aWritable receives the flag
    ///
    /// @return the result and the flag
    KyResult IsWritable(bool &aWritable) const;
    /// Whether the feature is currently readable.
    ///
    /// @param[out] aReadable receives the flag
    ///
    /// @return the result and the flag
    KyResult IsReadable(bool &aReadable) const;
    /// Whether the value is to be considered for persistence.
    ///
    /// @param[out] aStreamable receives the flag
    ///
    /// @return the result and the flag
    KyResult IsStreamable(bool &aStreamable) const;
    /// The feature's visibility level.
    ///
    /// @param[out] aVisibility receives a KyGenVisibility value
    ///
    /// @return the result and the KyGenVisibility value (None when the result is not OK)
    KyResult GetVisibility(KyGenVisibility &aVisibility) const;
    /// Whether the feature is visible at the given visibility level.
    ///
    /// Visible at a level: the feature's visibility is at or below it.
    ///
    /// @param[in] aVisibility the level (a KyGenVisibility value)
    /// @param[out] aVisible receives the flag
    ///
    /// @return the result and the flag
    KyResult IsVisible(KyGenVisibility aVisibility, bool &aVisible) const;
    /// Whether the feature selects other features.
    ///
    /// @param[out] aSelector receives the flag
    ///
    /// @return the result and the flag
    KyResult IsSelector(bool &aSelector) const;
    /// The features that this one selects.
    ///
    /// @param[out] aList receives the features (added to it)
    ///
    /// @return the result and a new list of the features
    KyResult GetSelectedParameters(KyGenParameterList &aList) const;
    /// The selectors of this feature.
    ///
    /// @param[out] aList receives the features (added to it)
    ///
    /// @return the result and a new list of the features
    KyResult GetSelectingParameters(KyGenParameterList &aList) const;
    /// Registers a sink told when the feature's value may have changed.
    ///
    /// The sink is kept by address until unregistered; the caller keeps it alive.
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (no sink)
    KyResult RegisterEventSink(KyGenEventSink *aEventSink);
    /// Unregisters a sink.
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND (not registered)
    KyResult UnregisterEventSink(KyGenEventSink *aEventSink);
    /// The value as text, for user interfaces and persistence.
    ///
    /// @param[out] aValue receives the text
    ///
    /// @return the result and the text (None when the result is not OK)
    KyResult ToString(KyString &aValue) const;
    /// Sets the value from text, for user interfaces and persistence.
    ///
    /// @param[in] aValue the text
    ///
    /// @return the result
    KyResult FromString(const KyString &aValue);
    /// The node handle of the feature, for code that works with the node map directly.
    ///
    /// @return the node handle
    KY_GENAPI_NS::INode *GetNode();
    /// Whether the feature's update sinks are told of changes.
    ///
    /// @return true when updates are enabled
    bool GetUpdatesEnabled();
    /// Switches the feature's update notifications on or off.
    ///
    /// @param[in] aEnabled true to tell the sinks of changes
    void SetUpdatesEnabled(bool aEnabled);

protected:
    // Made only by the parameter array that owns the feature.
    KY_LOCAL KyGenParameter(ky::gc::ArrayCore *aCore, ky::gc::Node *aNode);
    friend class ky::gc::ArrayCore;

    ky::gc::ArrayCore *mCore;
    ky::gc::Node *mNode;

private:
    // Copies of the registered sinks, or none while updates are disabled.
    std::vector<KyGenEventSink *> SinksToNotify() const;

    std::vector<KyGenEventSink *> mSinks;
    bool mUpdatesEnabled = true;
};
