// IKySoftDeviceGEVStatistics: counters of a software device since Start or the last Reset.
// Each counter is read on its own; reading several is not one snapshot.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstdint>

class KY_VIRTUALDEVICE_API IKySoftDeviceGEVStatistics
{
public:
    virtual ~IKySoftDeviceGEVStatistics() { }

    /// Sets every counter to zero.
    virtual void Reset() = 0;
    /// The number of GVCP read-memory commands (READMEM_CMD) received.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetReadMemsReceived() const = 0;
    /// The number of GVCP write-memory commands (WRITEMEM_CMD) received.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetWriteMemsReceived() const = 0;
    /// The number of GVCP read-register commands (READREG_CMD) received.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetReadRegsReceived() const = 0;
    /// The number of GVCP write-register commands (WRITEREG_CMD) received.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetWriteRegsReceived() const = 0;
    /// The number of GVCP discovery commands (DISCOVERY_CMD) received.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetDiscoveriesReceived() const = 0;
    /// The number of GVCP action commands (ACTION_CMD) received.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetActionCommandsReceived() const = 0;
    /// The number of GVCP force-IP commands (FORCEIP_CMD) received.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetForceIpsReceived() const = 0;
    /// The number of GVCP packet-resend commands (PACKETRESEND_CMD) received.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetPacketResendRequestsReceived() const = 0;
    /// The number of GVCP pending acknowledges (PENDING_ACK) issued.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetPendingAcksIssued() const = 0;
    /// The number of GVCP command retries received.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetRetriesReceived() const = 0;
    /// The number of the most retries received for a single command.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetRetriesReceivedMax() const = 0;
    /// The number of message-channel events without data (EVENT_CMD) issued.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetEventsIssued() const = 0;
    /// The number of message-channel events with data (EVENTDATA_CMD) issued.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetEventDatasIssued() const = 0;
    /// The number of retries issued for unacknowledged events.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetEventRetriesIssued() const = 0;
    /// The number of the most retries issued for a single event.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetEventRetriesIssuedMax() const = 0;
    /// The number of controller sessions opened.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetSessionsOpened() const = 0;
    /// The number of controller sessions closed.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetSessionsClosed() const = 0;
    /// The number of controller sessions closed because the heartbeat stopped.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetHeartbeatFailedCount() const = 0;
    /// The number of GVSP test packets issued.
    ///
    /// @return the count since Start or the last Reset
    virtual uint64_t GetGVSPTestPacketsIssued() const = 0;
};
