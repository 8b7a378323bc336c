// KyDeviceGEV: stream channel set-up, the GenICam description file, and the static access query.
#include <cctype>
#include <fstream>
#include <vector>

#include "ky/device/KyDeviceGEV.h"
#include "ky/genicam/KyGenXmlSource.h"
#include "internal/GevConnection.h"
#include "internal/GevLinkParameters.h"
#include "internal/HostAdapters.h"
#include "gev/Gvsp.h"
#include "ky/device/KyGevConstants.h"

using namespace ky::device;

namespace {
constexpr uint32_t kLargestPacketSize = 9000;  // jumbo frames; larger links are capped here
constexpr uint32_t kFallbackPacketSizes[] = {1500, ky::gev::GVSP_MIN_PACKET_SIZE};
constexpr uint64_t kLargestDescription = 64ull << 20;  // a GenICam file is far smaller

KyResult CheckChannel(GvcpClient &client, uint32_t channel)
{
    uint32_t count = 0;
    KyResult result = client.ReadRegister(ky::gev::STREAM_CHANNEL_COUNT_OFFSET, count);
    if (!result.IsOK())
        return result;
    if (channel >= count || channel >= ky::gev::SC_MAX_CHANNELS)
        return KyResult(KY_INVALID_PARAMETER, "the device has no stream channel " + std::to_string(channel));
    return KyResult();
}

// Read-modify-write of the bits under `mask`.
KyResult WriteField(GvcpClient &client, uint32_t address, uint32_t mask, uint32_t value, uint32_t clear = 0)
{
    uint32_t current = 0;
    KyResult result = client.ReadRegister(address, current);
    if (!result.IsOK())
        return result;
    return client.WriteRegister(address, ((current & ~mask & ~clear) | (value & mask)));
}

KyResult ReadUrl(GvcpClient &client, KyGenXmlLocation &url)
{
    std::vector<uint8_t> bytes(ky::gev::FIRST_URL_SIZE);
    KyResult result = client.ReadMemory(ky::gev::FIRST_URL_OFFSET, bytes.data(), bytes.size());
    if (!result.IsOK())
        return result;
    std::string text(bytes.begin(), bytes.end());
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    result = KyGenParseXmlUrl(KyString(text), url);
    if (!result.IsOK())
        return KyResult(KY_GENICAM_XML_ERROR, result.GetDescription());
    return KyResult();
}

bool IsLocal(const KyGenXmlLocation &url)
{
    std::string scheme = url.mScheme.str();
    for (char &c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return scheme == "local";
}

// The last component of the file's path ("cam.xml" of "File:///opt/cam/cam.xml").
KyString FileNameOf(const KyGenXmlLocation &url)
{
    const std::string &path = url.mFileName.str();
    const size_t slash = path.find_last_of('/');
    return KyString(slash == std::string::npos ? path : path.substr(slash + 1));
}
}  // namespace

KyResult KyDeviceGEV::StreamEnable(uint32_t aChannel)
{
    if (!IsConnected())
        return NotConnected();
    return CheckChannel(mConnection->Client(), aChannel);
}

KyResult KyDeviceGEV::StreamDisable(uint32_t aChannel)
{
    if (!IsConnected())
        return NotConnected();
    return CheckChannel(mConnection->Client(), aChannel);
}

KyResult KyDeviceGEV::SetStreamDestination(const KyString &aIPAddress, uint16_t aDataPort, uint32_t aChannel)
{
    uint32_t ip = 0;
    if (!ParseIPv4(aIPAddress.str(), ip))
        return KyResult(KY_INVALID_PARAMETER, "'" + aIPAddress.str() + "' is not an IPv4 address.");
    if (!IsConnected())
        return NotConnected();
    GvcpClient &client = mConnection->Client();
    KyResult result = CheckChannel(client, aChannel);
    if (result.IsOK())
        result = client.WriteRegister(ky::gev::StreamChannelOffset(ky::gev::SCDA0_OFFSET, aChannel), ip);
    if (result.IsOK())
        result = WriteField(client, ky::gev::StreamChannelOffset(ky::gev::SCP0_OFFSET, aChannel),
                            ky::gev::SCP_HOST_PORT_MASK, aDataPort);
    return result;
}

KyResult KyDeviceGEV::ResetStreamDestination(uint32_t aChannel)
{
    if (!IsConnected())
        return NotConnected();
    GvcpClient &client = mConnection->Client();
    KyResult result = CheckChannel(client, aChannel);
    if (result.IsOK())
        result = WriteField(client, ky::gev::StreamChannelOffset(ky::gev::SCP0_OFFSET, aChannel),
                            ky::gev::SCP_HOST_PORT_MASK, 0);
    if (result.IsOK())
        result = client.WriteRegister(ky::gev::StreamChannelOffset(ky::gev::SCDA0_OFFSET, aChannel), 0);
    return result;
}

KyResult KyDeviceGEV::SetPacketSize(uint32_t aPacketSize, uint32_t aChannel)
{
    if (aPacketSize == 0 || aPacketSize > ky::gev::SCPS_PACKET_SIZE_MASK)
        return KyResult(KY_INVALID_PARAMETER, "a packet size goes from 1 to 65535 bytes");
    if (!IsConnected())
        return NotConnected();
    GvcpClient &client = mConnection->Client();
    KyResult result = CheckChannel(client, aChannel);
    if (result.IsOK())
        result = WriteField(client, ky::gev::StreamChannelOffset(ky::gev::SCPS0_OFFSET, aChannel),
                            ky::gev::SCPS_PACKET_SIZE_MASK, aPacketSize, ky::gev::SCPS_FIRE_TEST_PACKET_MASK);
    return result;
}

KyResult KyDeviceGEV::NegotiatePacketSize(uint32_t aChannel, uint32_t aDefaultPacketSize)
{
    if (aDefaultPacketSize == 0)
        aDefaultPacketSize = mLink->DefaultPacketSize();
    if (aDefaultPacketSize != 0)
        return SetPacketSize(aDefaultPacketSize, aChannel);
    if (!IsConnected())
        return NotConnected();
    // The MTU of the adapter that carries the control link bounds what the path takes.
    uint32_t size = kFallbackPacketSizes[0];
    const uint32_t localIp = mConnection->Client().LocalIP();
    for (const HostAdapter &adapter : EnumerateHostAdapters())
        for (const HostAddress &address : adapter.addresses)
            if (address.ip == localIp && adapter.mtu > 0)
                size = std::min(adapter.mtu, kLargestPacketSize) & ~3u;
    KyResult result = SetPacketSize(size, aChannel);
    for (uint32_t fallback : kFallbackPacketSizes)
        if (!result.IsOK() && fallback < size && result.GetCode() != KY_NOT_CONNECTED)
            result = SetPacketSize(fallback, aChannel);
    return result;
}

KyResult KyDeviceGEV::GetDefaultGenICamXMLFilename(KyString &aFilename)
{
    if (!IsConnected())
        return NotConnected();
    KyGenXmlLocation url;
    KyResult result = ReadUrl(mConnection->Client(), url);
    if (result.IsOK())
        aFilename = FileNameOf(url);
    return result;
}

KyResult KyDeviceGEV::DumpGenICamXML(const KyString &aFilename)
{
    if (!IsConnected())
        return NotConnected();
    KyGenXmlLocation url;
    KyResult result = ReadUrl(mConnection->Client(), url);
    if (!result.IsOK())
        return result;
    if (!IsLocal(url))
        return KyResult(KY_NOT_SUPPORTED,
                        "the GenICam description is not stored on the device: " + FileNameOf(url).str());
    if (url.mLength == 0 || url.mLength > kLargestDescription || url.mAddress + url.mLength > (1ull << 32))
        return KyResult(KY_GENICAM_XML_ERROR,
                        "the device's first URL gives an impossible file size or address");
    std::vector<uint8_t> content(static_cast<size_t>(url.mLength));
    result =
        ReadMemory(static_cast<int64_t>(url.mAddress), content.data(), static_cast<int64_t>(content.size()));
    if (!result.IsOK())
        return result;
    std::ofstream out(aFilename.str(), std::ios::binary | std::ios::trunc);
    if (!out)
        return KyResult(KY_CANNOT_OPEN_FILE, "cannot open '" + aFilename.str() + "' for writing");
    out.write(reinterpret_cast<const char *>(content.data()), static_cast<std::streamsize>(content.size()));
    if (!out.flush())
        return KyResult(KY_FILE_ERROR, "cannot write '" + aFilename.str() + "'");
    return KyResult();
}

KyResult KyDeviceGEV::GetAccessType(const KyString &aDeviceIPAddress, KyAccessType &aAccessType)
{
    aAccessType = KyAccessUnknown;
    uint32_t ip = 0;
    if (!ParseIPv4(aDeviceIPAddress.str(), ip))
        return KyResult(KY_INVALID_PARAMETER, "'" + aDeviceIPAddress.str() + "' is not an IPv4 address.");
    GvcpClient client;
    KyResult result = client.Open(ip, GvcpClient::Settings());
    uint32_t ccp = 0;
    if (result.IsOK())
        result = client.ReadRegister(ky::gev::CCP_OFFSET, ccp);
    // Under exclusive control a device refuses every other application, reads included.
    if (result.GetCode() == KY_STATE_ERROR) {
        aAccessType = KyAccessExclusive;
        return KyResult();
    }
    if (!result.IsOK())
        return result;
    if (ccp & ky::gev::CCP_EXCLUSIVE_MASK)
        aAccessType = KyAccessExclusive;
    else if (ccp & ky::gev::CCP_CONTROL_MASK)
        aAccessType = KyAccessControl;
    else
        aAccessType = KyAccessOpen;
    return KyResult();
}
