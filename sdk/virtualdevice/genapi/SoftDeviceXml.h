// SoftDeviceXml: writes the GenICam XML file of the device from feature tables: the standard
// features (identity, transport, events, user sets) and the tables given by the stream channels
// and the GenApi factory.
#pragma once

#include <string>
#include <vector>

#include "ky/base/KyResult.h"
#include "genapi/SoftFeatureTable.h"

class IKySoftDeviceGEVInfo;

namespace ky::soft {

class SoftDeviceXml
{
public:
    // The standard features (one stream channel, no user sets) alone.
    static std::string Build(IKySoftDeviceGEVInfo &info);
    // The standard features followed by the given tables, in order. A feature name used twice, or
    // a table entry that cannot be rendered, fails with KY_GENICAM_XML_ERROR and a text naming it.
    static KyResult Build(IKySoftDeviceGEVInfo &info, const std::vector<const SoftFeatureTable *> &tables,
                          std::string &xml);
    // Exactly the given tables (null entries skipped), with the same checks.
    static KyResult Render(IKySoftDeviceGEVInfo &info, const std::vector<const SoftFeatureTable *> &tables,
                           std::string &xml);
};

}  // namespace ky::soft
