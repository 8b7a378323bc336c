// KyGenStateStack: changes parameters by name and puts them back when it is destroyed.
// Each successful change first records the parameter's value as text; the destructor
// restores the recorded values, the latest first. A failed restore is skipped.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KyGenParameterArray;

class KY_GENICAM_API KyGenStateStack
{
public:
    /// Constructor.
    ///
    /// The array must outlive the stack. A stack over a null array changes and restores
    /// nothing (its setters give KY_INVALID_PARAMETER).
    ///
    /// @param[in] aParameters The GenICam parameter array to operate on.
    explicit KyGenStateStack(KyGenParameterArray *aParameters);
    // Restores the recorded values, the latest change first.
    /// Destructor.
    virtual ~KyGenStateStack();
    KyGenStateStack(const KyGenStateStack &) = delete;
    KyGenStateStack &operator=(const KyGenStateStack &) = delete;

    /// Changes the value of an integer parameter.
    ///
    /// @param[in] aName The name of the parameter to change.
    /// @param[in] aValue The new value of the parameter.
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND (no parameter of that name), KY_INVALID_PARAMETER
    ///         (the value is refused), KY_STATE_ERROR (not writable now)
    KyResult SetIntegerValue(const KyString &aName, int64_t aValue);
    /// Changes the value of a float parameter.
    ///
    /// @param[in] aName The name of the parameter to change.
    /// @param[in] aValue The new value of the parameter.
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND (no parameter of that name), KY_INVALID_PARAMETER
    ///         (the value is refused), KY_STATE_ERROR (not writable now)
    KyResult SetFloatValue(const KyString &aName, double aValue);
    /// Changes the value of an enum parameter.
    ///
    /// @param[in] aName The name of the parameter to change.
    /// @param[in] aValue The new symbolic (string) value of the parameter.
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND (no parameter of that name), KY_INVALID_PARAMETER
    ///         (the value is refused), KY_STATE_ERROR (not writable now)
    KyResult SetEnumValue(const KyString &aName, const KyString &aValue);
    /// Changes the value of an enum parameter.
    ///
    /// @param[in] aName The name of the parameter to change.
    /// @param[in] aValue The new integer value of the parameter.
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND (no parameter of that name), KY_INVALID_PARAMETER
    ///         (the value is refused), KY_STATE_ERROR (not writable now)
    KyResult SetEnumValue(const KyString &aName, int64_t aValue);
    /// Changes the value of a boolean parameter.
    ///
    /// @param[in] aName The name of the parameter to change.
    /// @param[in] aValue The new value of the parameter.
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND (no parameter of that name), KY_INVALID_PARAMETER
    ///         (the value is refused), KY_STATE_ERROR (not writable now)
    KyResult SetBooleanValue(const KyString &aName, bool aValue);
    /// Changes the value of a string parameter.
    ///
    /// @param[in] aName The name of the parameter to change.
    /// @param[in] aValue The new value of the parameter.
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND (no parameter of that name), KY_INVALID_PARAMETER
    ///         (the value is refused), KY_STATE_ERROR (not writable now)
    KyResult SetStringValue(const KyString &aName, const KyString &aValue);

private:
    template <typename Change>
    KyResult Push(const KyString &aName, Change change);

    KyGenParameterArray *mParameters;
    std::vector<std::pair<KyString, KyString>> mSaved;
};
