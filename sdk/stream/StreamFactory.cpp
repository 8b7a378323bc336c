#include "StreamFactory.h"

#include <arpa/inet.h>
#include <new>

#include "ky/device/KyDeviceInfo.h"
#include "ky/stream/KyStreamGEV.h"
#include "ky/stream/KyStreamU3V.h"
#include "ky/SimUsbDeviceTable.h"

namespace ky::stream {
namespace {

// Opens a stream made here; deletes it again when the open fails.
template <typename Info>
KyStream *OpenMade(KyStream *stream, const Info &info, KyResult *aResult)
{
    KyResult result =
        stream ? stream->Open(info) : KyResult(KY_NOT_ENOUGH_MEMORY, KyString("cannot make a stream"));
    if (aResult != nullptr)
        *aResult = result;
    if (result.IsOK())
        return stream;
    delete stream;
    return nullptr;
}

KyStream *Refuse(KyResult *aResult, uint32_t code, const char *text)
{
    if (aResult != nullptr)
        *aResult = KyResult(code, KyString(text));
    return nullptr;
}

}  // namespace

KyStream *OpenNew(const KyDeviceInfo *info, KyResult *result)
{
    if (info == nullptr)
        return Refuse(result, KY_INVALID_PARAMETER, "a stream needs a device information record");
    if (info->GetType() == KyDeviceInfoTypeGEV)
        return OpenMade(new (std::nothrow) KyStreamGEV(), info, result);
    if (info->GetType() == KyDeviceInfoTypeU3V)
        return OpenMade(new (std::nothrow) KyStreamU3V(), info, result);
    return Refuse(result, KY_NOT_SUPPORTED,
                  "this kit receives streams of GigE Vision and USB3 Vision devices only");
}

KyStream *OpenNew(const KyString &address, KyResult *result)
{
    if (address.GetLength() == 0)
        return Refuse(result, KY_INVALID_PARAMETER, "a stream needs the device's address");
    in_addr parsed{};
    if (inet_pton(AF_INET, address.GetAscii(), &parsed) == 1)
        return OpenMade(new (std::nothrow) KyStreamGEV(), address, result);
    std::string guid;
    if (ky::base::SimUsbDeviceTable::NormalizeGuid(address.str(), guid))
        return OpenMade(new (std::nothrow) KyStreamU3V(), address, result);
    return Refuse(result, KY_NOT_FOUND,
                  "a stream is opened on a device's IPv4 address or on a USB3 Vision device's GUID");
}

}  // namespace ky::stream
