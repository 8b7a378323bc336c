// KySystemEventSink: told about each device while KySystem::Find runs (on the calling thread).
#pragma once

class KyInterface;
class KyDeviceInfo;

class KySystemEventSink
{
public:
    virtual ~KySystemEventSink();
    // A device was found on an interface. Set aIgnore to leave it out of the system's lists.
    // The records are the system's and valid during the call only. Exceptions are caught and
    // ignored by the caller.
    virtual void OnDeviceFound(const KyInterface *aInterface, const KyDeviceInfo *aDeviceInfo, bool &aIgnore);
};
