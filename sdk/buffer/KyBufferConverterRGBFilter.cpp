#include "ky/buffer/KyBufferConverterRGBFilter.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "KyBayer.h"
#include "ky/buffer/KyBuffer.h"
#include "KyPixelNarrow.h"
#include "KyPixelRepack.h"

namespace {

KyResult Refuse(const std::string &aWhy)
{
    return KyResult(KY_INVALID_PARAMETER, "[KyBufferConverterRGBFilter::WhiteBalance] " + aWhy);
}

void MakeTable(double aGain, int32_t aOffset, uint8_t aTable[256])
{
    for (int level = 0; level < 256; ++level) {
        const double v = std::nearbyint(aGain * level + aOffset);
        aTable[level] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
    }
}

}  // namespace

KyBufferConverterRGBFilter::KyBufferConverterRGBFilter() = default;
KyBufferConverterRGBFilter::~KyBufferConverterRGBFilter() = default;

void KyBufferConverterRGBFilter::Reset()
{
    mGainR = mGainG = mGainB = 1.0;
    mOffsetR = mOffsetG = mOffsetB = 0;
}

bool KyBufferConverterRGBFilter::IsIdentity() const
{
    return mGainR == 1.0 && mGainG == 1.0 && mGainB == 1.0 && mOffsetR == 0 && mOffsetG == 0 && mOffsetB == 0;
}

void KyBufferConverterRGBFilter::MakeTables(uint8_t aRed[256], uint8_t aGreen[256], uint8_t aBlue[256]) const
{
    MakeTable(mGainR, mOffsetR, aRed);
    MakeTable(mGainG, mOffsetG, aGreen);
    MakeTable(mGainB, mOffsetB, aBlue);
}

KyResult KyBufferConverterRGBFilter::WhiteBalance(KyBuffer *aBuffer)
{
    const KyImage *image = aBuffer ? aBuffer->GetImage() : nullptr;
    if (image == nullptr || image->GetDataPointer() == nullptr || image->GetWidth() == 0 ||
        image->GetHeight() == 0)
        return Refuse("no image to sample");
    KyPixelType type = image->GetPixelType();
    const uint8_t *pixels = image->GetDataPointer();
    uint32_t paddingX = image->GetPaddingX();
    // Wider samples are sampled by their 8 high bits, as the converter uses them.
    std::vector<uint8_t> narrowed;
    ky::buffer::WideFormat wide{};
    if (ky::buffer::WideFormatOf(type, wide)) {
        uint32_t size = 0;
        if (!KyImage::ComputeImageSize(wide.narrow, image->GetWidth(), image->GetHeight(), size))
            return Refuse("the sample is too large");
        narrowed.resize(size);
        ky::buffer::NarrowLines(wide, pixels, image->GetWidth(), paddingX, 0, image->GetHeight(),
                                narrowed.data());
        type = wide.narrow;
        pixels = narrowed.data();
        paddingX = 0;
    }
    uint32_t redX = 0, redY = 0;
    ky::buffer::PixelLayout layout{};
    const bool bayer = ky::buffer::BayerPatternOf(type, redX, redY);
    if (!bayer && (type == KyPixelMono8 || !ky::buffer::PixelLayoutOf(type, layout)))
        return Refuse("cannot sample pixel type " + KyImage::PixelTypeToString(image->GetPixelType()).str());
    if (bayer)
        layout = ky::buffer::PixelLayout{1, 0, 0, 0, -1};
    const uint32_t width = image->GetWidth(), height = image->GetHeight();
    const size_t stride = (size_t(width) + paddingX) * layout.bytes;
    // Sums and sample counts per colour: red, green, blue.
    uint64_t sum[3] = {0, 0, 0}, count[3] = {0, 0, 0};
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t *row = pixels + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t *p = row + size_t(x) * layout.bytes;
            if (bayer) {
                const bool redColumn = (x & 1) == redX, redRow = (y & 1) == redY;
                const int colour = redColumn && redRow ? 0 : (!redColumn && !redRow ? 2 : 1);
                sum[colour] += p[0];
                ++count[colour];
            } else {
                sum[0] += p[layout.red];
                sum[1] += p[layout.green];
                sum[2] += p[layout.blue];
                ++count[0], ++count[1], ++count[2];
            }
        }
    }
    double average[3];
    for (int c = 0; c < 3; ++c) {
        if (count[c] == 0 || sum[c] == 0)
            return Refuse(std::string("the ") +
                          (c == 0   ? "red"
                           : c == 1 ? "green"
                                    : "blue") +
                          " average of the sample is 0");
        average[c] = double(sum[c]) / double(count[c]);
    }
    const double top = std::max({average[0], average[1], average[2]});
    mGainR = top / average[0];
    mGainG = top / average[1];
    mGainB = top / average[2];
    return KyResult();
}
