// SoftFeatureXml: the XML of one feature of a SoftFeatureTable (plus the hidden register node
// behind it), the display names made from feature names, and the checks of names.
#pragma once

#include <string>

#include "ky/base/KyResult.h"
#include "genapi/SoftFeatureTable.h"

namespace ky::soft {

class SoftFeatureXml
{
public:
    // Appends the feature's nodes. KY_GENICAM_XML_ERROR names the feature and what it lacks.
    static KyResult Render(const SoftFeature &feature, std::string &out);
    // The name of the hidden register node that a feature with an address reads, or empty.
    static std::string RegisterNodeName(const SoftFeature &feature);
    // "WidthMax" in "ImageFormatControl" shows as "Width Max"; the first word of the last
    // category level is dropped from the front of the name ("EventTestTimestamp" in
    // "EventControl\\EventTestData" shows as "Test Timestamp").
    static std::string DisplayName(const std::string &name, const std::string &category);
    // A letter first, then letters, digits and underscores.
    static bool IsValidName(const std::string &name);
    // Each backslash-separated level a valid name.
    static bool IsValidCategory(const std::string &category);
    static std::string Escape(const std::string &text);
};

}  // namespace ky::soft
