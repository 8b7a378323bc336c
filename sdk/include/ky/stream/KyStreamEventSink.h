// KyStreamEventSink: an observer a caller may register with a stream (KyStream::RegisterEventSink).
//
// The stream keeps registered sinks by address and calls nothing on them yet; the type exists so
// that callers can hold and pass sink pointers. A sink must be unregistered before it is deleted.
#pragma once

#include "ky/stream/KyStreamExport.h"

class KY_STREAM_API KyStreamEventSink
{
public:
    virtual ~KyStreamEventSink() = default;
};
