#include "ky/device/KyDeviceGEV.h"

#include "internal/DeviceThreadPriorities.h"

#include <vector>

#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/genicam/KyGenXmlSource.h"
#include "internal/DeviceInfoAccess.h"
#include "internal/DeviceLog.h"
#include "internal/DeviceMemoryPort.h"
#include "internal/GevLinkParameters.h"
#include "internal/EventSinks.h"
#include "internal/GevConnection.h"
#include "internal/GevDiscovery.h"
#include "internal/HostAdapters.h"
#include "ky/device/KyGevConstants.h"
#include "ky/ByteOrder.h"

using namespace ky::device;

namespace {
constexpr uint32_t kResolveTimeoutMs = 1000;
constexpr uint32_t kForceIPTimeoutMs = 1000;

// The device record for a connection text: an IP address is asked directly, anything else is
// looked for among the devices that answer discovery on any adapter.
KyResult Resolve(const std::string &text, KyDeviceInfoGEV &record)
{
    GevIdentity identity;
    uint32_t ip = 0;
    if (ParseIPv4(text, ip)) {
        if (!DiscoverAddress(ip, kResolveTimeoutMs, identity))
            return KyResult(KY_NOT_FOUND, "No GigE Vision device answers at " + text + ".");
        identity.ip = text;  // reach it where it answered
        DeviceInfoAccess::Fill(record, identity);
        return KyResult();
    }
    const std::vector<HostAdapter> adapters = EnumerateHostAdapters();
    DiscoveryOptions options;
    options.timeoutMs = kResolveTimeoutMs;
    for (const DiscoveredDevice &found : DiscoverDevices(adapters, options)) {
        KyDeviceInfoGEV candidate;
        DeviceInfoAccess::Fill(candidate, found.identity);
        if (MatchesDevice(candidate, text)) {
            record = candidate;
            return KyResult();
        }
    }
    return KyResult(KY_NOT_FOUND, "No GigE Vision device answers to '" + text + "'.");
}
}  // namespace

KyDeviceGEV::KyDeviceGEV() : KyDevice(KyDeviceTypeGEV)
{
    GevConnection::Callbacks callbacks;
    callbacks.linkLost = [this] { Sinks().LinkLost(this); };
    callbacks.event = [this](const GevEvent &event) {
        Sinks().Event(this, event.id, event.channel, event.blockId, event.timestamp, event.data);
    };
    mConnection = std::make_unique<GevConnection>(std::move(callbacks));
    mPort = std::make_unique<DeviceMemoryPort>(*this);
    mLink = std::make_unique<GevLinkParameters>(*mConnection, *this);
    KyResult result = mLink->Load(*mCommunicationParameters);
    if (!result.IsOK())
        DeviceLog().LogError(__FILE__, __LINE__, "KyDeviceGEV::KyDeviceGEV",
                             ("link parameters: " + result.GetDescription().str()).c_str());
}

void KyDeviceGEV::LoadParameters()
{
    KyGenReadFunction read = [this](uint64_t address, void *data, uint32_t length) {
        return mConnection->Client().ReadMemory(static_cast<uint32_t>(address), static_cast<uint8_t *>(data),
                                                length);
    };
    KyString xml;
    KyResult result = KyGenReadXmlFromDevice(read, ky::gev::FIRST_URL_OFFSET, xml);
    if (result.IsOK())
        result = mParameters->Load(xml, mPort.get());
    if (!result.IsOK())
        DeviceLog().LogWarning(__FILE__, __LINE__, "KyDeviceGEV::Connect",
                               ("no GenICam features: " + result.GetDescription().str()).c_str());
}

KyDeviceGEV::~KyDeviceGEV() { mConnection->Close(); }

KyResult KyDeviceGEV::Connect(const KyDeviceInfo *aDeviceInfo)
{
    return Connect(aDeviceInfo, KyAccessExclusive);
}
KyResult KyDeviceGEV::Connect(const KyString &aInfo) { return Connect(aInfo, KyAccessExclusive); }

KyResult KyDeviceGEV::Connect(const KyDeviceInfo *aDeviceInfo, KyAccessType aAccessType)
{
    if (!aDeviceInfo)
        return KyResult(KY_INVALID_PARAMETER, "the device information is null");
    const auto *record = dynamic_cast<const KyDeviceInfoGEV *>(aDeviceInfo);
    if (!record)
        return KyResult(KY_NOT_SUPPORTED, "the device information is not a GigE Vision device's");
    if (mConnection->IsOwnThread())
        return KyResult(KY_STATE_ERROR, "a device cannot be connected from inside its own callback");
    GevConnection::ThreadPriorities priorities;
    priorities.heartbeat = &Priorities().heartbeat;
    priorities.interruptLink = &Priorities().interruptLink;
    priorities.interruptQueue = &Priorities().interruptQueue;
    KyResult result = mConnection->Open(*record, aAccessType, priorities);
    if (result.IsOK())
        LoadParameters();
    return result;
}

KyResult KyDeviceGEV::Connect(const KyString &aInfo, KyAccessType aAccessType)
{
    if (IsConnected())
        return KyResult(KY_STATE_ERROR, "the device is already connected");
    KyDeviceInfoGEV record;
    KyResult result = Resolve(aInfo.str(), record);
    if (!result.IsOK())
        return result;
    return Connect(&record, aAccessType);
}

KyResult KyDeviceGEV::Disconnect()
{
    if (mConnection->IsOwnThread())
        return KyResult(KY_STATE_ERROR, "a device cannot be disconnected from inside its own callback");
    if (!mConnection->Client().IsOpen())
        return NotConnected();
    mConnection->Close();
    return KyResult();
}

bool KyDeviceGEV::IsConnected() const { return mConnection->IsConnected(); }

void KyDeviceGEV::ApplyThreadPriorities() { mConnection->ApplyPriorities(); }

unsigned KyDeviceGEV::MemoryAddressBits() const { return 32; }

KyResult KyDeviceGEV::TransportReadMemory(uint64_t aAddress, uint8_t *aDestination, size_t aByteCount)
{
    return mConnection->Client().ReadMemory(static_cast<uint32_t>(aAddress), aDestination, aByteCount);
}

KyResult KyDeviceGEV::TransportWriteMemory(uint64_t aAddress, const uint8_t *aSource, size_t aByteCount)
{
    const KyResult result =
        mConnection->Client().WriteMemory(static_cast<uint32_t>(aAddress), aSource, aByteCount);
    // A write that covers the heartbeat timeout register tells the heartbeat its new period.
    const uint64_t heartbeat = ky::gev::HEARTBEAT_TIMEOUT_OFFSET;
    if (result.IsOK() && aAddress <= heartbeat && aAddress + aByteCount >= heartbeat + 4)
        mConnection->HeartbeatTimeoutChanged(ky::base::LoadBig32(aSource + (heartbeat - aAddress)));
    return result;
}

void KyDeviceGEV::NotifyRegisterAccess(bool write, int64_t address, uint32_t value)
{
    // Sinks see a register as it travels: big-endian.
    uint8_t bytes[4];
    ky::base::StoreBig32(bytes, value);
    Sinks().ForEach(write ? "OnCmdLinkWrite" : "OnCmdLinkRead", [&](KyDeviceEventSink &sink) {
        if (write)
            sink.OnCmdLinkWrite(bytes, address, 4);
        else
            sink.OnCmdLinkRead(bytes, address, 4);
    });
}

KyResult KyDeviceGEV::ReadRegister(int64_t aAddress, uint32_t &aValue)
{
    aValue = 0;
    KyResult result = CheckMemoryRange(aAddress, 4, true);
    if (!result.IsOK())
        return result;
    if (!IsConnected())
        return NotConnected();
    result = mConnection->Client().ReadRegister(static_cast<uint32_t>(aAddress), aValue);
    if (result.IsOK())
        NotifyRegisterAccess(false, aAddress, aValue);
    return result;
}

KyResult KyDeviceGEV::WriteRegister(int64_t aAddress, uint32_t aValue, bool aAcknowledge)
{
    KyResult result = CheckMemoryRange(aAddress, 4, true);
    if (!result.IsOK())
        return result;
    if (!IsConnected())
        return NotConnected();
    result = mConnection->Client().WriteRegister(static_cast<uint32_t>(aAddress), aValue, aAcknowledge);
    if (result.IsOK() && aAddress == ky::gev::HEARTBEAT_TIMEOUT_OFFSET)
        mConnection->HeartbeatTimeoutChanged(aValue);
    if (result.IsOK())
        NotifyRegisterAccess(true, aAddress, aValue);
    return result;
}

KyResult KyDeviceGEV::WaitForMessagingChannelIdle(uint32_t aTimeout)
{
    return mConnection->WaitForEventsIdle(aTimeout);
}

KyResult KyDeviceGEV::GetUniqueID(KyString &aUniqueID)
{
    if (!IsConnected())
        return NotConnected();
    aUniqueID = mConnection->Record().GetUniqueID();
    return KyResult();
}

KyDeviceClass KyDeviceGEV::GetClass() const
{
    return IsConnected() ? mConnection->Record().GetClass() : KyDeviceClassUnknown;
}

KyString KyDeviceGEV::GetIPAddress() const
{
    return IsConnected() ? mConnection->Record().GetIPAddress() : KyString();
}

KyString KyDeviceGEV::GetMACAddress() const
{
    return IsConnected() ? mConnection->Record().GetMACAddress() : KyString();
}

KyAccessType KyDeviceGEV::GetAccessType() const
{
    return IsConnected() ? mConnection->Access() : KyAccessUnknown;
}

KyResult KyDeviceGEV::SetIPConfiguration(const KyString &aMACAddress, const KyString &aIP,
                                         const KyString &aSubnetMask, const KyString &aGateway)
{
    return ForceIPConfiguration(aMACAddress.str(), aIP.str(), aSubnetMask.str(), aGateway.str(),
                                kForceIPTimeoutMs);
}
