// KySystemEventSink: told about each device while KySystem::Find runs (on the calling thread).
// Sinks are asked on a copy of the list: a sink may unregister sinks, itself too, from inside
// its call; one unregistered meanwhile is not asked any more. It must not call Find or destroy
// the system there.
#pragma once

#include "ky/system/KySystemExport.h"

class KyInterface;
class KyDeviceInfo;

class KY_SYSTEM_API KySystemEventSink
{
public:
    virtual ~KySystemEventSink();
    // A device was found on an interface. Set aIgnore to leave it out of the system's lists.
    // The records are the system's and valid during the call only. Exceptions are caught and
    // ignored by the caller.
    virtual void OnDeviceFound(const KyInterface *aInterface, const KyDeviceInfo *aDeviceInfo, bool &aIgnore);
};
