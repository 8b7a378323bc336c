// Writes 8-bit grey or BGR pixels as a PNG file (for the demo; zlib does the compression).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ky::tools {

// channels: 1 (grey) or 3 (BGR, as KyPixelBGR8 lays it out). stride: bytes from one row to the next.
// Returns an empty text on success, otherwise what went wrong.
std::string WritePng(const std::string &path, const uint8_t *pixels, uint32_t width, uint32_t height,
                     size_t stride, int channels);

}  // namespace ky::tools
