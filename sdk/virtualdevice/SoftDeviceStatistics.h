// SoftDeviceStatistics: the device's counters, bumped from any device thread.
#pragma once

#include <atomic>

#include "ky/virtualdevice/IKySoftDeviceGEVStatistics.h"

namespace ky::soft {

class SoftDeviceStatistics : public IKySoftDeviceGEVStatistics
{
public:
    enum Counter {
        ReadMems,
        WriteMems,
        ReadRegs,
        WriteRegs,
        Discoveries,
        ActionCommands,
        ForceIps,
        PacketResends,
        PendingAcks,
        Retries,
        RetriesMax,
        Events,
        EventDatas,
        EventRetries,
        EventRetriesMax,
        SessionsOpened,
        SessionsClosed,
        HeartbeatFailed,
        TestPackets,
        CounterCount
    };

    void Reset() override
    {
        for (auto &counter : mCounters) {
            counter = 0;
        }
    }
    uint64_t GetReadMemsReceived() const override { return mCounters[ReadMems]; }
    uint64_t GetWriteMemsReceived() const override { return mCounters[WriteMems]; }
    uint64_t GetReadRegsReceived() const override { return mCounters[ReadRegs]; }
    uint64_t GetWriteRegsReceived() const override { return mCounters[WriteRegs]; }
    uint64_t GetDiscoveriesReceived() const override { return mCounters[Discoveries]; }
    uint64_t GetActionCommandsReceived() const override { return mCounters[ActionCommands]; }
    uint64_t GetForceIpsReceived() const override { return mCounters[ForceIps]; }
    uint64_t GetPacketResendRequestsReceived() const override { return mCounters[PacketResends]; }
    uint64_t GetPendingAcksIssued() const override { return mCounters[PendingAcks]; }
    uint64_t GetRetriesReceived() const override { return mCounters[Retries]; }
    uint64_t GetRetriesReceivedMax() const override { return mCounters[RetriesMax]; }
    uint64_t GetEventsIssued() const override { return mCounters[Events]; }
    uint64_t GetEventDatasIssued() const override { return mCounters[EventDatas]; }
    uint64_t GetEventRetriesIssued() const override { return mCounters[EventRetries]; }
    uint64_t GetEventRetriesIssuedMax() const override { return mCounters[EventRetriesMax]; }
    uint64_t GetSessionsOpened() const override { return mCounters[SessionsOpened]; }
    uint64_t GetSessionsClosed() const override { return mCounters[SessionsClosed]; }
    uint64_t GetHeartbeatFailedCount() const override { return mCounters[HeartbeatFailed]; }
    uint64_t GetGVSPTestPacketsIssued() const override { return mCounters[TestPackets]; }

    void Count(Counter counter) { ++mCounters[counter]; }
    void CountMax(Counter counter, uint64_t value)
    {
        uint64_t seen = mCounters[counter];
        while (value > seen && !mCounters[counter].compare_exchange_weak(seen, value)) {
        }
    }

private:
    std::atomic<uint64_t> mCounters[CounterCount] = {};
};

}  // namespace ky::soft
