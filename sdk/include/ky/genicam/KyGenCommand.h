// KyGenCommand: a feature that starts an action on the device.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenCommand : public KyGenParameter
{
public:
    /// Activate the feature.
    ///
    /// Returns once the device took the command; whether the action has completed is read
    /// with IsDone.
    ///
    /// @return Includes: KY_OK, KY_STATE_ERROR (not writable now)
    KyResult Execute();
    /// Query whether the command is executed.
    ///
    /// True once the device reports the command finished (its register no longer reads the
    /// command value); read from the device each time.
    ///
    /// @param[out] aDone receives true once the command has completed
    ///
    /// @return Includes: KY_OK
    KyResult IsDone(bool &aDone);

private:
    using KyGenParameter::KyGenParameter;
    friend class ky::gc::ArrayCore;
};
