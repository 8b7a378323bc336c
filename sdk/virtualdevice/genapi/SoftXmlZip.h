// SoftXmlZip: packs the device's XML file as a zip archive of one deflated entry, the form many
// cameras serve ("Local:name.zip;address;length").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ky/base/KyResult.h"

namespace ky::soft {

class SoftXmlZip
{
public:
    // KY_GENERIC_ERROR when deflate fails; entries above 4 GiB are not written (no zip64).
    static KyResult Pack(const std::string &entryName, const std::string &content, std::vector<uint8_t> &zip);
};

}  // namespace ky::soft
