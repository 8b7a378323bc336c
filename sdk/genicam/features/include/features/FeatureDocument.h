// FeatureDocument: a whole GenICam XML file from feature tables: the RegisterDescription with its
// attributes, the categories the features name, the features' nodes and the ports.
#pragma once

#include <string>
#include <vector>

#include "features/FeatureTable.h"
#include "features/FeatureXml.h"
#include "ky/base/KyResult.h"

namespace ky::gc {

struct FeatureDocument
{
    // A host-side set's document: vendor Ky, custom names, display names as the names, and its
    // own port.
    static FeatureDocument Host(std::string modelName, std::string toolTip, std::string port);

    // Attributes of the RegisterDescription.
    std::string modelName;
    std::string vendorName;
    std::string toolTip;
    std::string standardNameSpace = "None";
    std::string productGuid = "0";
    std::string versionGuid = "0";
    // The schema the document follows (the namespace), and the version of the file itself.
    unsigned schemaMajor = 1, schemaMinor = 1, schemaSubMinor = 0;
    unsigned fileMajor = 1, fileMinor = 0, fileSubMinor = 0;

    // `style.port` is the document's own port node (a chunk or event port comes from a table).
    FeatureXml::Style style;
    bool customPort = false;  // the port's NameSpace: Custom instead of Standard

    // The tables' features in order (null entries skipped). A name used twice (features, hidden
    // registers, ports, "Root" and the document's port all share one space), a feature that is
    // also a category, or a feature that cannot be rendered fails with KY_GENICAM_XML_ERROR and a
    // text naming it and the table's owner.
    KyResult Render(const std::vector<const FeatureTable *> &tables, std::string &xml) const;
};

}  // namespace ky::gc
