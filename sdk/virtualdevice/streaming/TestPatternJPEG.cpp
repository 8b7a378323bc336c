#include "streaming/TestPatternJPEG.h"

#include <string>
#include <turbojpeg.h>

namespace ky::soft {

uint32_t MaxJPEGSize(uint32_t aWidth, uint32_t aHeight)
{
    if (aWidth == 0 || aHeight == 0 || aWidth > 65535 || aHeight > 65535) {
        return 0;
    }
    const unsigned long size = tjBufSize(static_cast<int>(aWidth), static_cast<int>(aHeight), TJSAMP_GRAY);
    return size == static_cast<unsigned long>(-1) || size > UINT32_MAX ? 0 : static_cast<uint32_t>(size);
}

KyResult EncodeJPEG(const uint8_t *aPixels, uint32_t aWidth, uint32_t aHeight, int aQuality, uint8_t *aOut,
                    uint32_t aCapacity, uint32_t &aSize)
{
    const uint32_t needed = MaxJPEGSize(aWidth, aHeight);
    if (aPixels == nullptr || aOut == nullptr || needed == 0 || aCapacity < needed) {
        return KyResult(KY_INVALID_PARAMETER, KyString("no room to encode a " + std::to_string(aWidth) +
                                                       " x " + std::to_string(aHeight) + " JPEG image"));
    }
    tjhandle handle = tjInitCompress();
    if (handle == nullptr) {
        return KyResult(KY_GENERIC_ERROR, KyString(std::string("JPEG encoder: ") + tjGetErrorStr()));
    }
    unsigned char *out = aOut;
    unsigned long size = aCapacity;
    // No reallocation: the encoder writes within the capacity that tjBufSize promised.
    const int status = tjCompress2(handle, aPixels, static_cast<int>(aWidth), static_cast<int>(aWidth),
                                   static_cast<int>(aHeight), TJPF_GRAY, &out, &size, TJSAMP_GRAY, aQuality,
                                   TJFLAG_NOREALLOC);
    KyResult result;
    if (status != 0 || out != aOut || size > aCapacity) {
        result = KyResult(KY_GENERIC_ERROR, KyString(std::string("JPEG encoder: ") + tjGetErrorStr2(handle)));
    } else {
        aSize = static_cast<uint32_t>(size);
    }
    tjDestroy(handle);
    return result;
}

}  // namespace ky::soft
