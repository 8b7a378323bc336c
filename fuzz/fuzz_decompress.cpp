// The decompressor of the SDK's compressed images: the input is the bytes of a buffer that claims
// to hold a compressed image. Whatever they say, the decompressor must answer with a result and
// write only into the image it announced; what decompresses must compress and decompress again to
// the same bytes. The first input byte chooses the thread count and whether the output is the
// caller's memory of exactly the announced size (so that ASan sees any write past it).
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyCompressionFilter.h"
#include "ky/buffer/KyDecompressionFilter.h"

namespace {

// Images above this are decompressed only by their header check, to keep runs fast.
constexpr uint64_t kMaxImageBytes = 16u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > (64u << 20))
        return 0;
    const uint8_t choice = data[0];
    std::vector<uint8_t> bytes(data + 1, data + size);
    KyBuffer in(KyPayloadTypeTesmarCompressed);
    if (!bytes.empty() && !in.Attach(bytes.data(), static_cast<uint32_t>(bytes.size())).IsOK())
        std::abort();

    KyPixelType type = KyPixelUndefined;
    uint32_t width = 0, height = 0;
    const bool known = KyDecompressionFilter::GetOutputFormatFor(&in, type, width, height).IsOK();
    if (known != KyDecompressionFilter::IsCompressed(&in))
        std::abort();
    uint32_t imageBytes = 0;
    if (known && !KyImage::ComputeImageSize(type, width, height, imageBytes))
        std::abort();  // the header check lets no image through that has no size
    if (imageBytes > kMaxImageBytes)
        return 0;

    static KyDecompressionFilter decompressor;
    if (!decompressor.SetThreadCount(1 + choice % 4).IsOK())
        std::abort();
    std::vector<uint8_t> memory;
    KyBuffer out;
    if (choice & 0x80) {
        memory.resize(imageBytes ? imageBytes : 1);
        if (!out.Attach(memory.data(), static_cast<uint32_t>(memory.size())).IsOK())
            std::abort();
    }
    const KyResult r = decompressor.Execute(&in, &out);
    if (!r.IsOK())
        return 0;
    const KyImage *image = out.GetImage();
    if (!known || image == nullptr || image->GetPixelType() != type || image->GetWidth() != width ||
        image->GetHeight() != height || image->GetImageSize() != imageBytes)
        std::abort();

    static KyCompressionFilter compressor;
    KyBuffer again, back;
    if (!compressor.Execute(&out, &again).IsOK() || !decompressor.Execute(&again, &back).IsOK() ||
        back.GetImage() == nullptr || back.GetImage()->GetImageSize() != imageBytes ||
        std::memcmp(back.GetImage()->GetDataPointer(), image->GetDataPointer(), imageBytes) != 0)
        std::abort();
    return 0;
}
