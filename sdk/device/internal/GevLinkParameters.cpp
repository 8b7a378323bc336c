#include "GevLinkParameters.h"

#include "GevConnection.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyGevConstants.h"

namespace ky {
namespace device {

namespace {

gc::FeatureDocument Document()
{
    gc::FeatureDocument document = gc::FeatureDocument::Host(
        "GigEVisionLink", "Parameters of the connection to a GigE Vision device", "Link");
    document.productGuid = "7d1a6a52-3f4c-4f0e-9b0a-6b7c1e0f0a01";
    document.versionGuid = "7d1a6a52-3f4c-4f0e-9b0a-6b7c1e0f0a02";
    return document;
}

// Each value is a 32-bit unsigned big-endian register of the port "Link".
constexpr gc::FeatureSet::Registers kRegisters{0, 4, false};

gc::HostFeature Feature(gc::FeatureKind kind, const char *name, const char *toolTip)
{
    return gc::HostFeature::Make(kind, name, "Connection", toolTip);
}

}  // namespace

GevLinkParameters::GevLinkParameters(GevConnection &connection, KyDeviceGEV &device)
    : mConnection(connection), mDevice(device), mSet(Document(), kRegisters)
{
    using gc::FeatureKind;
    auto settings = [this] { return mConnection.ClientSettings(); };
    auto change = [this](auto edit) {
        GvcpClient::Settings s = mConnection.ClientSettings();
        edit(s);
        mConnection.SetClientSettings(s);
        return KyResult();
    };

    gc::HostFeature answer =
        Feature(FeatureKind::Integer, "AnswerTimeout", "How long a command waits for the device's answer");
    answer.spec.Range("10", "60000").Unit("ms");
    answer.get = [settings](int64_t &v) {
        v = settings().answerTimeout.count();
        return KyResult();
    };
    answer.set = [change](int64_t v) {
        return change([v](GvcpClient::Settings &s) { s.answerTimeout = std::chrono::milliseconds(v); });
    };
    mSet.Add(answer);

    gc::HostFeature retries = Feature(FeatureKind::Integer, "CommandRetryCount",
                                      "How many times a command is sent again when no answer comes");
    retries.spec.Range("0", "20");
    retries.get = [settings](int64_t &v) {
        v = settings().attempts - 1;
        return KyResult();
    };
    retries.set = [change](int64_t v) {
        return change([v](GvcpClient::Settings &s) { s.attempts = static_cast<uint32_t>(v) + 1; });
    };
    mSet.Add(retries);

    gc::HostFeature tcp =
        Feature(FeatureKind::Boolean, "TCPTransport",
                "The next Connect reaches the device over TCP: control and events (only a soft "
                "device of this kit with its TCP transport on accepts it); off, over UDP");
    tcp.get = [settings](int64_t &v) {
        v = settings().tcp ? 1 : 0;
        return KyResult();
    };
    tcp.set = [change](int64_t v) { return change([v](GvcpClient::Settings &s) { s.tcp = v != 0; }); };
    mSet.Add(tcp);

    gc::HostFeature interval =
        Feature(FeatureKind::Integer, "HeartbeatInterval",
                "How often the heartbeat keeps control of the device (from the heartbeat timeout)");
    interval.spec.Unit("ms");
    interval.get = [this](int64_t &v) {
        v = mConnection.HeartbeatPeriodMs();
        return KyResult();
    };
    mSet.Add(interval);

    gc::HostFeature timeout =
        Feature(FeatureKind::Integer, "HeartbeatTimeout",
                "The device's heartbeat timeout: it drops control after this long without a heartbeat");
    timeout.spec.Range("500", "600000").Unit("ms");
    timeout.get = [this](int64_t &v) {
        uint32_t value = 0;
        KyResult result = mDevice.ReadRegister(gev::HEARTBEAT_TIMEOUT_OFFSET, value);
        v = value;
        return result;
    };
    timeout.set = [this](int64_t v) {
        return mDevice.WriteRegister(gev::HEARTBEAT_TIMEOUT_OFFSET, static_cast<uint32_t>(v));
    };
    mSet.Add(timeout);

    gc::HostFeature negotiation =
        Feature(FeatureKind::Boolean, "AutoNegotiation",
                "Packet-size negotiation takes the largest size the adapter's MTU allows; "
                "off, it takes DefaultPacketSize");
    negotiation.get = [this](int64_t &v) {
        v = mAutoNegotiation ? 1 : 0;
        return KyResult();
    };
    negotiation.set = [this](int64_t v) {
        mAutoNegotiation = v != 0;
        return KyResult();
    };
    mSet.Add(negotiation);

    gc::HostFeature packetSize =
        Feature(FeatureKind::Integer, "DefaultPacketSize",
                "Stream packet size set by negotiation while AutoNegotiation is off");
    packetSize.spec.Range("576", "9000", "4").Unit("B");
    packetSize.get = [this](int64_t &v) {
        v = mDefaultPacketSize;
        return KyResult();
    };
    packetSize.set = [this](int64_t v) {
        mDefaultPacketSize = static_cast<uint32_t>(v);
        return KyResult();
    };
    mSet.Add(packetSize);
}

KyResult GevLinkParameters::Load(KyGenParameterArray &array) { return mSet.Load(array); }

}  // namespace device
}  // namespace ky
