#include "features/FeatureDocument.h"

#include <cstdio>
#include <map>
#include <set>
#include <utility>

namespace ky::gc {
namespace {

std::string Header(const FeatureDocument &d)
{
    const std::string space = "http://www.genicam.org/GenApi/Version_" + std::to_string(d.schemaMajor) + "_" +
                              std::to_string(d.schemaMinor);
    auto text = [](const std::string &value) { return "\"" + FeatureXml::Escape(value) + "\""; };
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<RegisterDescription ModelName=" +
           text(d.modelName) + " VendorName=" + text(d.vendorName) + " ToolTip=" + text(d.toolTip) +
           " StandardNameSpace=" + text(d.standardNameSpace) + " SchemaMajorVersion=\"" +
           std::to_string(d.schemaMajor) + "\" SchemaMinorVersion=\"" + std::to_string(d.schemaMinor) +
           "\" SchemaSubMinorVersion=\"" + std::to_string(d.schemaSubMinor) + "\"" + " MajorVersion=\"" +
           std::to_string(d.fileMajor) + "\" MinorVersion=\"" + std::to_string(d.fileMinor) +
           "\" SubMinorVersion=\"" + std::to_string(d.fileSubMinor) + "\"" +
           " ProductGuid=" + text(d.productGuid) + " VersionGuid=" + text(d.versionGuid) + " xmlns=\"" +
           space + "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"" + " xsi:schemaLocation=\"" +
           space + " " + space + ".xsd\">\n";
}

// Categories in order of first mention, each with its members (features and sub-categories).
class CategoryTree
{
public:
    void Add(const std::string &path, const std::string &feature)
    {
        std::string parent = "Root";
        size_t start = 0;
        while (path != "Root") {
            const size_t end = path.find('\\', start);
            const std::string level =
                path.substr(start, end == std::string::npos ? std::string::npos : end - start);
            Member(parent, level);
            parent = level;
            if (end == std::string::npos) {
                break;
            }
            start = end + 1;
        }
        Member(parent, feature);
    }

    void Render(std::string &out, bool displayNames) const
    {
        for (const auto &category : mOrder) {
            out += "  <Category Name=\"" + category + "\" NameSpace=\"Standard\">\n";
            if (category != "Root" && displayNames) {
                out += "    <DisplayName>" + FeatureXml::DisplayName(category, "") + "</DisplayName>\n";
            }
            for (const std::string &member : mMembers.at(category)) {
                out += "    <pFeature>" + member + "</pFeature>\n";
            }
            out += "  </Category>\n";
        }
    }

    bool Has(const std::string &name) const { return mMembers.count(name) != 0; }

private:
    void Member(const std::string &category, const std::string &member)
    {
        if (mMembers.count(category) == 0) {
            mOrder.push_back(category);
        }
        std::vector<std::string> &members = mMembers[category];
        for (const std::string &m : members) {
            if (m == member) {
                return;
            }
        }
        members.push_back(member);
    }

    std::vector<std::string> mOrder;
    std::map<std::string, std::vector<std::string>> mMembers;
};

}  // namespace

FeatureDocument FeatureDocument::Host(std::string modelName, std::string toolTip, std::string port)
{
    FeatureDocument document;
    document.modelName = std::move(modelName);
    document.vendorName = "Ky";
    document.toolTip = std::move(toolTip);
    document.style.port = std::move(port);
    document.style.madeDisplayNames = false;
    document.customPort = true;
    return document;
}

KyResult FeatureDocument::Render(const std::vector<const FeatureTable *> &tables, std::string &xml) const
{
    CategoryTree categories;
    std::set<std::string> names = {"Root", style.port};
    std::string nodes;
    std::string ports =
        "  <Port Name=\"" + style.port + "\" NameSpace=\"" + (customPort ? "Custom" : "Standard") + "\"/>\n";
    auto claim = [&names](const std::string &name, const std::string &owner) {
        if (!names.insert(name).second) {
            return KyResult(KY_GENICAM_XML_ERROR,
                            KyString("[" + name + "] is declared twice (" + owner + ")"));
        }
        return KyResult(KY_OK);
    };
    for (const FeatureTable *table : tables) {
        if (table == nullptr) {
            continue;
        }
        for (const PortSpec &port : table->ports) {
            KyResult result = claim(port.name, table->owner);
            if (result.IsFailure()) {
                return result;
            }
            char id[16];
            std::snprintf(id, sizeof(id), "%08X", port.id);
            const char *tag = port.event ? "EventID" : "ChunkID";
            ports += "  <Port Name=\"" + port.name + "\" NameSpace=\"Custom\">\n    <" + tag + ">" + id +
                     "</" + tag + ">\n  </Port>\n";
        }
        for (const FeatureSpec &feature : table->features) {
            KyResult result = claim(feature.name, table->owner);
            const std::string hidden = FeatureXml::RegisterNodeName(feature);
            if (result.IsOK() && !hidden.empty()) {
                result = claim(hidden, table->owner);
            }
            if (result.IsOK()) {
                result = FeatureXml::Render(feature, nodes, style);
            }
            if (result.IsFailure()) {
                return result;
            }
            if (!feature.category.empty()) {
                categories.Add(feature.category, feature.name);
            }
        }
    }
    for (const std::string &name : names) {
        if (categories.Has(name) && name != "Root") {
            return KyResult(KY_GENICAM_XML_ERROR,
                            KyString("[" + name + "] is both a feature and a category"));
        }
    }
    xml = Header(*this);
    categories.Render(xml, style.madeDisplayNames);
    xml += nodes;
    xml += ports;
    xml += "</RegisterDescription>\n";
    return KyResult(KY_OK);
}

}  // namespace ky::gc
