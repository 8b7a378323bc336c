#include "genapi/SoftDeviceXml.h"

#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "ky/virtualdevice/IKySoftDeviceGEVInfo.h"
#include "genapi/SoftFeatureXml.h"
#include "genapi/SoftStandardFeatures.h"

namespace ky::soft {

namespace {

std::string Header(IKySoftDeviceGEVInfo &info)
{
    const unsigned major = info.GetGenICamXMLVersionMajor();
    const unsigned minor = info.GetGenICamXMLVersionMinor();
    const std::string space = "http://www.genicam.org/GenApi/Version_" + std::to_string(major) + "_" +
                              std::to_string(minor);
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        << "<RegisterDescription ModelName=\"" << SoftFeatureXml::Escape(info.GetGenICamXMLRegDescModelName().str())
        << "\" VendorName=\"" << SoftFeatureXml::Escape(info.GetGenICamXMLRegDescVendorName().str())
        << "\" ToolTip=\"Software GigE Vision device\" StandardNameSpace=\"GEV\""
        << " SchemaMajorVersion=\"" << major << "\" SchemaMinorVersion=\"" << minor
        << "\" SchemaSubMinorVersion=\"" << info.GetGenICamXMLVersionSubMinor() << "\""
        << " MajorVersion=\"1\" MinorVersion=\"0\" SubMinorVersion=\"0\""
        << " ProductGuid=\"" << SoftFeatureXml::Escape(info.GetGenICamXMLProductGUID().str()) << "\" VersionGuid=\""
        << SoftFeatureXml::Escape(info.GetGenICamXMLVersionGUID().str()) << "\""
        << " xmlns=\"" << space << "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
        << " xsi:schemaLocation=\"" << space << " " << space << ".xsd\">\n";
    return xml.str();
}

// Categories in order of first mention, each with its members (features and sub-categories).
class CategoryTree
{
public:
    void Add(const std::string &path, const std::string &feature)
    {
        std::string parent = "Root";
        size_t start = 0;
        while (true) {
            const size_t end = path.find('\\', start);
            const std::string level = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
            Member(parent, level);
            parent = level;
            if (end == std::string::npos) {
                break;
            }
            start = end + 1;
        }
        Member(parent, feature);
    }

    void Render(std::string &out) const
    {
        for (const auto &category : mOrder) {
            out += "  <Category Name=\"" + category + "\" NameSpace=\"Standard\">\n";
            if (category != "Root") {
                out += "    <DisplayName>" + SoftFeatureXml::DisplayName(category, "") + "</DisplayName>\n";
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

std::string SoftDeviceXml::Escape(const std::string &text) { return SoftFeatureXml::Escape(text); }

std::string SoftDeviceXml::Build(IKySoftDeviceGEVInfo &info)
{
    std::string xml;
    // With no tables but the standard one no name can clash: this cannot fail.
    (void)Build(info, {}, xml);
    return xml;
}

KyResult SoftDeviceXml::Build(IKySoftDeviceGEVInfo &info, const std::vector<const SoftFeatureTable *> &tables,
                              std::string &xml)
{
    const SoftFeatureTable standard = SoftStandardFeatures::Make(SoftStandardFeatures::Options{});
    std::vector<const SoftFeatureTable *> all = {&standard};
    all.insert(all.end(), tables.begin(), tables.end());
    return Render(info, all, xml);
}

KyResult SoftDeviceXml::Render(IKySoftDeviceGEVInfo &info, const std::vector<const SoftFeatureTable *> &tables,
                               std::string &xml)
{
    CategoryTree categories;
    std::set<std::string> names = {"Root", "Device"};
    std::string nodes;
    std::string ports = "  <Port Name=\"Device\" NameSpace=\"Standard\"/>\n";
    auto claim = [&names](const std::string &name, const std::string &owner) {
        if (!names.insert(name).second) {
            return KyResult(KY_GENICAM_XML_ERROR, KyString("[" + name + "] is declared twice (" + owner + ")"));
        }
        return KyResult(KY_OK);
    };
    for (const SoftFeatureTable *table : tables) {
        if (table == nullptr) {
            continue;
        }
        for (const SoftPort &port : table->ports) {
            KyResult result = claim(port.name, table->owner);
            if (result.IsFailure()) {
                return result;
            }
            char id[16];
            std::snprintf(id, sizeof(id), "%08X", port.id);
            const char *tag = port.event ? "EventID" : "ChunkID";
            ports += "  <Port Name=\"" + port.name + "\" NameSpace=\"Custom\">\n    <" + tag + ">" + id + "</" + tag +
                     ">\n  </Port>\n";
        }
        for (const SoftFeature &feature : table->features) {
            KyResult result = claim(feature.name, table->owner);
            const std::string hidden = SoftFeatureXml::RegisterNodeName(feature);
            if (result.IsOK() && !hidden.empty()) {
                result = claim(hidden, table->owner);
            }
            if (result.IsOK()) {
                result = SoftFeatureXml::Render(feature, nodes);
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
            return KyResult(KY_GENICAM_XML_ERROR, KyString("[" + name + "] is both a feature and a category"));
        }
    }
    xml = Header(info);
    categories.Render(xml);
    xml += nodes;
    xml += ports;
    xml += "</RegisterDescription>\n";
    return KyResult(KY_OK);
}

}  // namespace ky::soft
