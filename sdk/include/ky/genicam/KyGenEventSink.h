// KyGenEventSink: told when a parameter's value may have changed.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

class KyGenParameter;

// Register a sink with KyGenParameter::RegisterEventSink. OnParameterUpdate is called on the
// thread that made the change (a write, an executed command, Poll), after the parameter array
// has released its lock, for the written feature and for every feature that the write
// invalidates or selects. The sink may read and write parameters from the callback.
// An exception that escapes the callback is caught and dropped.
class KY_GENICAM_API KyGenEventSink
{
public:
    /// Called when the parameter's value may have changed.
    ///
    /// @param[in] aParameter the parameter
    virtual void OnParameterUpdate(KyGenParameter *aParameter) = 0;
};
