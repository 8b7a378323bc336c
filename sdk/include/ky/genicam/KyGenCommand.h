// KyGenCommand: a feature that starts an action on the device.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenCommand : public KyGenParameter
{
public:
    KyResult Execute();
    // True once the device reports the command finished (its register no longer reads
    // the command value); read from the device each time.
    KyResult IsDone(bool &aDone);

private:
    using KyGenParameter::KyGenParameter;
    friend class ky::gc::ArrayCore;
};
