#include "u3vdevice/SoftU3vDevice.h"

#include <chrono>

#include "genapi/SoftDeviceXml.h"
#include "genapi/SoftStandardFeatures.h"
#include "genapi/SoftStreamFeatures.h"
#include "genapi/SoftXmlZip.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "registers/SoftChannelFeatureRegisters.h"
#include "registers/SoftDeviceRegisters.h"
#include "SoftDeviceInfo.h"
#include "SoftLog.h"
#include "u3v/GenCp.h"
#include "u3v/LittleEndian.h"
#include "u3v/SimUsbRegistry.h"

namespace ky::soft {

namespace {

using Kind = SoftFeatureKind;
constexpr uint32_t MAX_TRANSFER = 1024;
// Events never hold up their sender: one that finds the event pipe full is dropped.
constexpr uint32_t EVENT_TIMEOUT_MS = 0;
constexpr uint16_t EVENT_EXPOSURE_END = 0x0004;

// The USB3 Vision stream channel as its feature block drives it.
class U3vChannel : public SoftAcquisitionChannel
{
public:
    U3vChannel(SoftU3vStreamChannel &channel, IKyStreamingChannelSource &source)
        : mChannel(channel), mSource(source)
    { }
    uint32_t Index() const override { return 0; }
    IKyStreamingChannelSource &Source() override { return mSource; }
    bool IsStreaming() const override { return mChannel.IsStreaming(); }
    uint32_t GetAcquisitionMode() const override
    {
        return static_cast<uint32_t>(mChannel.GetAcquisitionMode());
    }
    void SetAcquisitionMode(uint32_t mode) override
    {
        mChannel.SetAcquisitionMode(static_cast<SoftU3vStreamChannel::AcquisitionMode>(mode));
    }
    KyResult StartAcquisition() override { return mChannel.StartAcquisition(); }
    KyResult StopAcquisition() override { return mChannel.StopAcquisition(); }

private:
    SoftU3vStreamChannel &mChannel;
    IKyStreamingChannelSource &mSource;
};

KyResult CheckText(const std::string &text, const char *what)
{
    if (text.size() >= u3v::ABRM_STRING_SIZE) {
        return KyResult(KY_INVALID_PARAMETER,
                        KyString(std::string(what) + " takes " + std::to_string(u3v::ABRM_STRING_SIZE - 1) +
                                 " characters at most"));
    }
    return KyResult(KY_OK);
}

// The identity features are the ABRM's text fields.
SoftFeatureTable IdentityFeatures()
{
    SoftFeatureTable table;
    table.owner = "USB3 Vision identity";
    const struct
    {
        const char *name;
        uint64_t offset;
        const char *access;
    } texts[] = {
        {"DeviceVendorName", u3v::ABRM_MANUFACTURER_NAME_OFFSET, "RO"},
        {"DeviceModelName", u3v::ABRM_MODEL_NAME_OFFSET, "RO"},
        {"DeviceVersion", u3v::ABRM_DEVICE_VERSION_OFFSET, "RO"},
        {"DeviceManufacturerInfo", u3v::ABRM_MANUFACTURER_INFO_OFFSET, "RO"},
        {"DeviceSerialNumber", u3v::ABRM_SERIAL_NUMBER_OFFSET, "RO"},
        {"DeviceUserID", u3v::ABRM_USER_DEFINED_NAME_OFFSET, "RW"},
    };
    for (const auto &text : texts) {
        table.features.push_back(SoftFeature::OnRegister(Kind::StringReg, text.name,
                                                         static_cast<uint32_t>(text.offset),
                                                         static_cast<uint32_t>(u3v::ABRM_STRING_SIZE))
                                     .In("DeviceControl")
                                     .Access(text.access));
    }
    SoftFeature locked = SoftFeature::OnRegister(Kind::Integer, "TLParamsLocked", TL_PARAMS_LOCKED_OFFSET)
                             .In("TransportLayerControl")
                             .Range("0", "1")
                             .Vis("Invisible");
    table.features.push_back(locked);
    SoftFeature selector =
        SoftFeature::OnRegister(Kind::Enumeration, "EventSelector", EVENT_SELECTOR_OFFSET).In("EventControl");
    for (const auto &event : SoftStandardFeatures::Events()) {
        selector.Entry(event.first, event.second);
    }
    selector.Selects("EventNotification");
    table.features.push_back(selector);
    table.features.push_back(
        SoftFeature::OnRegister(Kind::Enumeration, "EventNotification", EVENT_NOTIFICATION_OFFSET)
            .In("EventControl")
            .Entry("Off", 0)
            .Entry("On", 1)
            .InvalidatedBy("EventSelector"));
    return table;
}

}  // namespace

SoftU3vDevice::SoftU3vDevice(const SoftU3vSettings &settings)
    : mSettings(settings),
      mLink(std::make_shared<u3v::SimUsbLink>()),
      mSource(settings.width, settings.height, settings.pixelType, 16, settings.frameRate)
{
    for (const auto &event : SoftStandardFeatures::Events()) {
        mEventNotification.emplace_back(event.second, 0);
    }
}

SoftU3vDevice::~SoftU3vDevice()
{
    // The cable goes first: every transfer of the server and the channel fails at once.
    mLink->Unplug();
    if (mChannel) {
        mChannel->End();
    }
    if (mServer) {
        mServer->Stop();
    }
    mMap.Clear();
}

KyResult SoftU3vDevice::Plug(const SoftU3vSettings &settings)
{
    std::string guid;
    if (!base::SimUsbDeviceTable::NormalizeGuid(settings.guid, guid)) {
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("the GUID '" + settings.guid + "' is not 12 hex digits"));
    }
    const struct
    {
        const std::string &text;
        const char *what;
    } texts[] = {{settings.vendor, "the vendor name"},
                 {settings.model, "the model name"},
                 {settings.version, "the device version"},
                 {settings.serial, "the serial number"},
                 {settings.userName, "the user-defined name"}};
    for (const auto &text : texts) {
        KyResult result = CheckText(text.text, text.what);
        if (!result.IsOK()) {
            return result;
        }
    }
    std::shared_ptr<SoftU3vDevice> device(new SoftU3vDevice(settings));
    device->mSettings.guid = guid;
    // The source keeps what it accepts: compare, so that a refused size or format is reported.
    KyStreamingChannelSourceTestPattern &source = device->mSource;
    KyResult result = source.SetWidth(settings.width);
    if (result.IsOK()) {
        result = source.SetHeight(settings.height);
    }
    if (result.IsOK()) {
        result = source.SetPixelType(settings.pixelType);
    }
    if (result.IsOK()) {
        result = source.SetFrameRate(settings.frameRate);
    }
    if (!result.IsOK()) {
        return KyResult(KY_INVALID_PARAMETER, result.GetDescription());
    }
    result = device->Start();
    if (!result.IsOK()) {
        return result;
    }
    u3v::SimUsbIdentity identity;
    identity.guid = guid;
    identity.vendor = settings.vendor;
    identity.model = settings.model;
    identity.serial = settings.serial;
    identity.deviceVersion = settings.version;
    identity.speed = settings.speed;
    std::shared_ptr<u3v::SimUsbLink> link = device->mLink;
    return u3v::SimUsbRegistry::Plug(identity, link, std::move(device));
}

KyResult SoftU3vDevice::Start()
{
    mMap.SetRunning(true);
    mChannel = std::make_unique<SoftU3vStreamChannel>(mSource, mLink->Device(u3v::SimPipe::Stream));
    // Each frame that went out ends an exposure: ExposureEnd carries the frame's block ID.
    mChannel->SetFrameHook([this](uint64_t blockId) {
        uint8_t data[8];
        u3v::PutLe64(data, blockId);
        (void)RaiseEvent(EVENT_EXPOSURE_END, data, sizeof data);
    });
    KyResult result = AddRegisters();
    std::vector<uint8_t> file;
    if (result.IsOK()) {
        result = MakeXml(file);
    }
    if (!result.IsOK()) {
        return result;
    }
    u3v::U3vDeviceIdentity identity;
    identity.manufacturer = mSettings.vendor;
    identity.model = mSettings.model;
    identity.deviceVersion = mSettings.version;
    identity.manufacturerInfo = "Software USB3 Vision device";
    identity.serialNumber = mSettings.serial;
    identity.userDefinedName = mSettings.userName;
    identity.maxCommandTransfer = MAX_TRANSFER;
    identity.maxAckTransfer = MAX_TRANSFER;
    identity.currentSpeed = static_cast<uint32_t>(mSettings.speed < 0 ? 0 : mSettings.speed);
    mMemory = std::make_unique<u3v::U3vBootstrapMemory>(identity, std::move(file), mSettings.zipXml,
                                                        &mRegisterMemory);
    mStreamRegisters = std::make_unique<SoftU3vStreamRegisters>(*mChannel, *mMemory);
    mServer = std::make_unique<u3v::U3vControlServer>(mLink->Device(u3v::SimPipe::Control), *mStreamRegisters,
                                                      MAX_TRANSFER, MAX_TRANSFER);
    result = mChannel->Begin();
    if (!result.IsOK()) {
        return result;
    }
    mServer->Start();
    return KyResult(KY_OK);
}

KyResult SoftU3vDevice::AddRegisters()
{
    KyResult result(KY_OK);
    if (SoftRegister *reg = mMap.AddNew("TLParamsLocked", TL_PARAMS_LOCKED_OFFSET, 4,
                                        KyGenAccessModeReadWrite, false, result)) {
        reg->SetHooks(
            nullptr,
            [](SoftRegister &r) {
                return r.GetRawU32() <= 1 ? KyResult(KY_OK)
                                          : KyResult(KY_INVALID_PARAMETER, "TLParamsLocked is 0 or 1");
            },
            nullptr);
    }
    SoftRegister *selector =
        mMap.AddNew("EventSelector", EVENT_SELECTOR_OFFSET, 4, KyGenAccessModeReadWrite, false, result);
    if (selector != nullptr) {
        selector->SetRawU32(SoftStandardFeatures::Events().front().second);
        selector->SetHooks(
            nullptr, [](SoftRegister &r) { return SoftStandardFeatures::CheckEventCode(r.GetRawU32()); },
            nullptr);
        if (SoftRegister *reg = mMap.AddNew("EventNotification", EVENT_NOTIFICATION_OFFSET, 4,
                                            KyGenAccessModeReadWrite, false, result)) {
            reg->SetHooks(
                [this, selector](SoftRegister &r) {
                    std::lock_guard<std::mutex> lock(mEventMutex);
                    for (const auto &entry : mEventNotification) {
                        if (entry.first == selector->GetRawU32()) {
                            r.SetRawU32(entry.second);
                        }
                    }
                },
                [](SoftRegister &r) {
                    return r.GetRawU32() <= 1
                               ? KyResult(KY_OK)
                               : KyResult(KY_INVALID_PARAMETER, "EventNotification is Off (0) or On (1)");
                },
                [this, selector](SoftRegister &r) {
                    std::lock_guard<std::mutex> lock(mEventMutex);
                    for (auto &entry : mEventNotification) {
                        if (entry.first == selector->GetRawU32()) {
                            entry.second = r.GetRawU32();
                        }
                    }
                });
        }
    }
    if (result.IsOK()) {
        result = mSerialPort.AddRegisters(mMap);
    }
    if (result.IsOK()) {
        result = AddChannelFeatureRegisters(mMap, std::make_shared<U3vChannel>(*mChannel, mSource));
    }
    return result;
}

KyResult SoftU3vDevice::MakeXml(std::vector<uint8_t> &file)
{
    SoftDeviceInfo info;
    // The texts were checked against the ABRM's fields, which are larger than these.
    (void)info.SetGenICamXMLRegDescVendorName(
        KyString(mSettings.vendor.empty() ? "Kitcam" : mSettings.vendor));
    (void)info.SetGenICamXMLRegDescModelName(KyString(mSettings.model.empty() ? "SoftCam" : mSettings.model));
    SoftFeatureTable identity = IdentityFeatures();
    SoftFeatureTable stream = SoftStreamFeatures::Make(0, mSource);
    // The device presents its numeric registers little-endian (mRegisterMemory).
    for (SoftFeatureTable *table : {&identity, &stream}) {
        for (SoftFeature &feature : table->features) {
            feature.littleEndian = true;
        }
    }
    std::string xml;
    KyResult result = SoftDeviceXml::Render(info, {&identity, &stream}, xml);
    if (result.IsOK()) {
        KyGenParameterArray check;
        result = check.Load(KyString(xml), nullptr);
    }
    if (!result.IsOK()) {
        SoftLog("SoftU3vDevice", "GenICam XML: %s", result.GetDescription().GetAscii());
        return result;
    }
    if (mSettings.zipXml) {
        return SoftXmlZip::Pack("KySoftDeviceU3V.xml", xml, file);
    }
    file.assign(xml.begin(), xml.end());
    return KyResult(KY_OK);
}

bool SoftU3vDevice::RaiseEvent(uint16_t eventId, const uint8_t *data, size_t size)
{
    uint16_t requestId = 0;
    {
        std::lock_guard<std::mutex> lock(mEventMutex);
        bool on = false;
        for (const auto &entry : mEventNotification) {
            on = on || (entry.first == eventId && entry.second != 0);
        }
        if (!on) {
            return false;
        }
        requestId = mNextEventRequestId++;
        if (mNextEventRequestId == 0) {
            mNextEventRequestId = 1;
        }
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto timestamp =
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    std::vector<uint8_t> transfer;
    if (u3v::BuildEvent(requestId, eventId, timestamp, data, size, transfer) != u3v::GenCpError::Ok) {
        return false;
    }
    return mLink->Device(u3v::SimPipe::Event).Write(transfer.data(), transfer.size(), EVENT_TIMEOUT_MS) ==
           u3v::TransferStatus::Ok;
}

}  // namespace ky::soft
