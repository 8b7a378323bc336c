// FeatureXml: the XML of one feature of a FeatureTable (plus the hidden register node behind
// it), the display names made from feature names, and the checks of names.
#pragma once

#include <string>

#include "features/FeatureTable.h"
#include "ky/base/KyResult.h"

namespace ky::gc {

class FeatureXml
{
public:
    // What a document decides for all of its features.
    struct Style
    {
        std::string port = "Device";   // the port of registers that name none
        bool madeDisplayNames = true;  // features without a display name get one made from their name
    };

    // Appends the feature's nodes. KY_GENICAM_XML_ERROR names the feature and what it lacks.
    static KyResult Render(const FeatureSpec &feature, std::string &out, const Style &style);
    // The name of the hidden register node that a feature with an address reads, or empty.
    static std::string RegisterNodeName(const FeatureSpec &feature);
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

}  // namespace ky::gc
