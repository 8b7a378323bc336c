// U3vBootstrapReader: what the host reads from a device when it connects: the ABRM identity and
// pointers, the SBRM limits (which it applies to the control client), and the first GenICam file
// of the manifest. Every count, size and address the device gives is checked before it is used.
#pragma once

#include <vector>

#include "ky/base/KyResult.h"
#include "u3v/U3vBootstrap.h"
#include "u3v/U3vControlClient.h"

namespace ky::u3v {

// Reads the ABRM and the SBRM, and sets the client's transfer limits from them.
KyResult ReadBootstrap(U3vControlClient &client, U3vBootstrapInfo &info);

// Reads the manifest at info.manifestAddress and the first file it lists. KY_CANT_READ_MANIFEST
// for an empty or implausible table, KY_GENICAM_XML_ERROR for a file of an unknown type or size.
KyResult ReadManifestFile(U3vControlClient &client, const U3vBootstrapInfo &info, std::vector<uint8_t> &file,
                          bool &zipped);

}  // namespace ky::u3v
