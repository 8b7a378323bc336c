// KySystemEventSink: told about each device while KySystem::Find runs (on the calling thread).
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
