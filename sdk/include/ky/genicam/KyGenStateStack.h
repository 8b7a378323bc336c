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
    // The array must outlive the stack.
    explicit KyGenStateStack(KyGenParameterArray *aParameters);
    virtual ~KyGenStateStack();
    KyGenStateStack(const KyGenStateStack &) = delete;
    KyGenStateStack &operator=(const KyGenStateStack &) = delete;

    KyResult SetIntegerValue(const KyString &aName, int64_t aValue);
    KyResult SetFloatValue(const KyString &aName, double aValue);
    KyResult SetEnumValue(const KyString &aName, const KyString &aValue);
    KyResult SetEnumValue(const KyString &aName, int64_t aValue);
    KyResult SetBooleanValue(const KyString &aName, bool aValue);
    KyResult SetStringValue(const KyString &aName, const KyString &aValue);

private:
    template <typename Change>
    KyResult Push(const KyString &aName, Change change);

    KyGenParameterArray *mParameters;
    std::vector<std::pair<KyString, KyString>> mSaved;
};
