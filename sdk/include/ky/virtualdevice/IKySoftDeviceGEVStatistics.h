// IKySoftDeviceGEVStatistics: counters of a software device since Start or the last Reset.
// Each counter is read on its own; reading several is not one snapshot.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstdint>

class KY_VIRTUALDEVICE_API IKySoftDeviceGEVStatistics
{
public:
    virtual ~IKySoftDeviceGEVStatistics() { }

    virtual void Reset() = 0;
    virtual uint64_t GetReadMemsReceived() const = 0;
    virtual uint64_t GetWriteMemsReceived() const = 0;
    virtual uint64_t GetReadRegsReceived() const = 0;
    virtual uint64_t GetWriteRegsReceived() const = 0;
    virtual uint64_t GetDiscoveriesReceived() const = 0;
    virtual uint64_t GetActionCommandsReceived() const = 0;
    virtual uint64_t GetForceIpsReceived() const = 0;
    virtual uint64_t GetPacketResendRequestsReceived() const = 0;
    virtual uint64_t GetPendingAcksIssued() const = 0;
    virtual uint64_t GetRetriesReceived() const = 0;
    virtual uint64_t GetRetriesReceivedMax() const = 0;
    virtual uint64_t GetEventsIssued() const = 0;
    virtual uint64_t GetEventDatasIssued() const = 0;
    virtual uint64_t GetEventRetriesIssued() const = 0;
    virtual uint64_t GetEventRetriesIssuedMax() const = 0;
    virtual uint64_t GetSessionsOpened() const = 0;
    virtual uint64_t GetSessionsClosed() const = 0;
    virtual uint64_t GetHeartbeatFailedCount() const = 0;
    virtual uint64_t GetGVSPTestPacketsIssued() const = 0;
};
