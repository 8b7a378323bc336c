#include "PngWriter.h"

#include <zlib.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "ky/ByteOrder.h"

namespace ky::tools {

namespace {

void PutU32(std::vector<uint8_t> &out, uint32_t value)
{
    uint8_t field[4];
    ky::base::StoreBig32(field, value);
    out.insert(out.end(), field, field + 4);
}

void PutChunk(std::vector<uint8_t> &out, const char type[4], const std::vector<uint8_t> &data)
{
    PutU32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    PutU32(out, static_cast<uint32_t>(crc));
}

}  // namespace

std::string WritePng(const std::string &path, const uint8_t *pixels, uint32_t width, uint32_t height,
                     size_t stride, int channels)
{
    if (pixels == nullptr || width == 0 || height == 0 || (channels != 1 && channels != 3) ||
        stride < static_cast<size_t>(width) * channels)
        return "nothing to write";

    // Each row: filter byte 0, then the pixels (PNG wants RGB, so BGR is swapped).
    const size_t rowBytes = static_cast<size_t>(width) * channels;
    std::vector<uint8_t> raw;
    raw.reserve((rowBytes + 1) * height);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t *row = pixels + y * stride;
        raw.push_back(0);
        if (channels == 1) {
            raw.insert(raw.end(), row, row + rowBytes);
        } else {
            for (uint32_t x = 0; x < width; ++x) {
                raw.push_back(row[3 * x + 2]);
                raw.push_back(row[3 * x + 1]);
                raw.push_back(row[3 * x]);
            }
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK)
        return "compression failed";
    packed.resize(packedSize);

    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutU32(header, width);
    PutU32(header, height);
    header.push_back(8);                      // bit depth
    header.push_back(channels == 1 ? 0 : 2);  // grey or truecolour
    header.insert(header.end(), {0, 0, 0});   // deflate, adaptive filtering, no interlace
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", {});

    std::unique_ptr<FILE, int (*)(FILE *)> out(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!out)
        return "cannot open " + path;
    if (std::fwrite(file.data(), 1, file.size(), out.get()) != file.size())
        return "cannot write " + path;
    return {};
}

}  // namespace ky::tools
