#include "ky/device/KyDeviceU3V.h"

#include "internal/DeviceThreadPriorities.h"

#include <fstream>
#include <string>

#include "ky/device/KyDeviceInfoU3V.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/genicam/KyGenXmlSource.h"
#include "internal/DeviceLog.h"
#include "internal/DeviceMemoryPort.h"
#include "internal/EventSinks.h"
#include "internal/U3vConnection.h"
#include "u3v/LittleEndian.h"
#include "u3v/U3vBootstrapReader.h"

using namespace ky::device;

namespace {

KyResult CheckChannel(uint32_t channel)
{
    if (channel != 0)
        return KyResult(KY_INVALID_PARAMETER, "a USB3 Vision device has stream channel 0 only");
    return KyResult();
}

}  // namespace

KyDeviceU3V::KyDeviceU3V() : KyDevice(KyDeviceTypeU3V)
{
    U3vConnection::Callbacks callbacks;
    callbacks.linkLost = [this] { Sinks().LinkLost(this); };
    // USB3 Vision events name no stream channel or block.
    callbacks.event = [this](const U3vConnection::Event &event) {
        Sinks().Event(this, event.id, 0, 0, event.timestamp, event.data);
    };
    mConnection = std::make_unique<U3vConnection>(std::move(callbacks));
    mPort = std::make_unique<DeviceMemoryPort>(*this);
}

KyDeviceU3V::~KyDeviceU3V() { mConnection->Close(); }

KyResult KyDeviceU3V::Connect(const KyDeviceInfo *aDeviceInfo)
{
    if (!aDeviceInfo)
        return KyResult(KY_INVALID_PARAMETER, "the device information is null");
    const auto *record = dynamic_cast<const KyDeviceInfoU3V *>(aDeviceInfo);
    if (!record)
        return KyResult(KY_NOT_SUPPORTED, "the device information is not a USB3 Vision device's");
    return Connect(record->GetDeviceGUID());
}

KyResult KyDeviceU3V::Connect(const KyString &aInfo)
{
    if (mConnection->IsOwnThread())
        return KyResult(KY_STATE_ERROR, "a device cannot be connected from inside its own callback");
    if (IsConnected())
        return KyResult(KY_STATE_ERROR, "the device is already connected");
    mConnection->Close();  // joins the event thread of a connection whose link was lost
    // The one event thread both receives the events and hands them to the sinks.
    KyResult result = mConnection->Open(aInfo.str(), Priorities().interruptLink);
    if (result.IsOK())
        LoadParameters();
    return result;
}

void KyDeviceU3V::ApplyThreadPriorities() { mConnection->ApplyPriority(); }

void KyDeviceU3V::LoadParameters()
{
    mFile.clear();
    mFileZipped = false;
    std::shared_ptr<ky::u3v::U3vControlClient> control = mConnection->Control();
    std::string xml;
    KyResult result = control
                          ? ky::u3v::ReadManifestFile(*control, mConnection->Bootstrap(), mFile, mFileZipped)
                          : NotConnected();
    if (result.IsOK()) {
        if (mFileZipped)
            result = KyGenUnzipXml(mFile.data(), mFile.size(), xml);
        else
            xml.assign(mFile.begin(), mFile.end());
    }
    if (result.IsOK())
        result = mParameters->Load(KyString(xml), mPort.get());
    if (!result.IsOK())
        DeviceLog().LogWarning(__FILE__, __LINE__, "KyDeviceU3V::Connect",
                               ("no GenICam features: " + result.GetDescription().str()).c_str());
}

KyResult KyDeviceU3V::Disconnect()
{
    if (mConnection->IsOwnThread())
        return KyResult(KY_STATE_ERROR, "a device cannot be disconnected from inside its own callback");
    if (!IsConnected()) {
        mConnection->Close();
        return NotConnected();
    }
    mConnection->Close();
    return KyResult();
}

bool KyDeviceU3V::IsConnected() const { return mConnection->IsConnected(); }

KyResult KyDeviceU3V::StreamEnable(uint32_t aChannel)
{
    KyResult result = CheckChannel(aChannel);
    if (!result.IsOK())
        return result;
    return IsConnected() ? KyResult() : NotConnected();
}

KyResult KyDeviceU3V::StreamDisable(uint32_t aChannel)
{
    KyResult result = CheckChannel(aChannel);
    if (!result.IsOK())
        return result;
    return IsConnected() ? KyResult() : NotConnected();
}

KyResult KyDeviceU3V::TransportReadMemory(uint64_t aAddress, uint8_t *aDestination, size_t aByteCount)
{
    // The link may go between the connection check and here: the control client is taken once.
    std::shared_ptr<ky::u3v::U3vControlClient> control = mConnection->Control();
    return control ? control->ReadMemory(aAddress, aDestination, aByteCount) : NotConnected();
}

KyResult KyDeviceU3V::TransportWriteMemory(uint64_t aAddress, const uint8_t *aSource, size_t aByteCount)
{
    std::shared_ptr<ky::u3v::U3vControlClient> control = mConnection->Control();
    return control ? control->WriteMemory(aAddress, aSource, aByteCount) : NotConnected();
}

KyResult KyDeviceU3V::ReadRegister(int64_t aAddress, uint32_t &aValue)
{
    aValue = 0;
    uint8_t bytes[4] = {};
    KyResult result = ReadMemory(aAddress, bytes, 4);
    if (result.IsOK())
        aValue = ky::u3v::Le32(bytes);
    return result;
}

KyResult KyDeviceU3V::WriteRegister(int64_t aAddress, uint32_t aValue)
{
    uint8_t bytes[4];
    ky::u3v::PutLe32(bytes, aValue);
    return WriteMemory(aAddress, bytes, 4);
}

KyResult KyDeviceU3V::WaitForMessagingChannelIdle(uint32_t aTimeout)
{
    return mConnection->WaitForEventsIdle(aTimeout);
}

KyResult KyDeviceU3V::GetDefaultGenICamXMLFilename(KyString &aFilename)
{
    if (!IsConnected())
        return NotConnected();
    std::string name = mConnection->Bootstrap().model;
    for (char &c : name)
        if (c == ' ' || c == '/' || c == '\\')
            c = '_';
    if (name.empty())
        name = "device";
    aFilename = KyString(name + (mFileZipped ? ".zip" : ".xml"));
    return KyResult();
}

KyResult KyDeviceU3V::DumpGenICamXML(const KyString &aFilename)
{
    if (!IsConnected())
        return NotConnected();
    if (mFile.empty())
        return KyResult(KY_GENICAM_XML_ERROR,
                        "the device's manifest lists no GenICam file that could be read");
    std::ofstream out(aFilename.str(), std::ios::binary | std::ios::trunc);
    if (!out)
        return KyResult(KY_CANNOT_OPEN_FILE, "cannot open '" + aFilename.str() + "' for writing");
    out.write(reinterpret_cast<const char *>(mFile.data()), static_cast<std::streamsize>(mFile.size()));
    if (!out.flush())
        return KyResult(KY_FILE_ERROR, "cannot write '" + aFilename.str() + "'");
    return KyResult();
}

KyResult KyDeviceU3V::GetUniqueID(KyString &aUniqueID)
{
    if (!IsConnected())
        return NotConnected();
    aUniqueID = KyString(mConnection->Guid());
    return KyResult();
}

KyString KyDeviceU3V::GetGUID() const { return IsConnected() ? KyString(mConnection->Guid()) : KyString(); }
