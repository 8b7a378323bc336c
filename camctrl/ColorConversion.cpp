#include "ColorConversion.h"

#include <cstdlib>

#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyBufferConverter.h"
#include "ky/buffer/KyImage.h"
#include "ImageMemory.h"

namespace ky::camctrl {

namespace {

bool SourceType(int code, KyPixelType &type)
{
    switch (code) {
    case BNK_CVT_BGR8:
        type = KyPixelBGR8;
        return true;
    case BNK_CVT_BAYER_RG8:
        type = KyPixelBayerRG8;
        return true;
    case BNK_CVT_BAYER_GR8:
        type = KyPixelBayerGR8;
        return true;
    case BNK_CVT_BAYER_BG8:
        type = KyPixelBayerBG8;
        return true;
    case BNK_CVT_BAYER_GB8:
        type = KyPixelBayerGB8;
        return true;
    default:
        return false;
    }
}

}  // namespace

int CvtColor(const _bnkBuffer &source, _bnkBuffer &destination, int code)
{
    if (!source.data || !destination.data)
        return BNK_ERR_NOT_INITIALIZED;
    KyBuffer from(KyPayloadTypeImage);
    KyBuffer to(KyPayloadTypeImage);
    KyBufferConverter converter(-1);

    // The records' imageSize is what the caller says its memory holds: neither side is read or
    // written past it.
    const KyResult attached = to.GetImage()->AttachSized(
        destination.data, destination.imageSize, destination.width, destination.height, KyPixelBGR8, 0, 0, 0);
    if (!attached.IsOK())
        return static_cast<int>(attached.GetCode());
    KyPixelType type = KyPixelUndefined;
    if (!SourceType(code, type))
        return BNK_ERR_INVALID_PARAMETER;
    // A source that does not fit its memory stays without pixels, and the conversion refuses it.
    (void)from.GetImage()
        ->AttachSized(source.data, source.imageSize, source.width, source.height, type, 0, 0, 0)
        .IsOK();
    const KyResult converted = converter.Convert(&from, &to, true, false);
    destination.blockId = source.blockId;
    destination.timestamp = source.timestamp;
    return converted.IsOK() ? BNK_OK : static_cast<int>(converted.GetCode());
}

void FreeBuffer(_bnkBuffer &image)
{
    image.blockId = 0;
    image.timestamp = 0;
    image.imageSize = 0;
    image.width = 0;
    image.height = 0;
    image.lineBytes = 0;
    image.bytesPerPixel = 0;
    ForgetImageMemory(image.data);
    std::free(image.data);
    image.data = nullptr;
}

}  // namespace ky::camctrl
