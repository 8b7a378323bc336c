#include "genapi/SoftDeviceXml.h"

#include "ky/virtualdevice/IKySoftDeviceGEVInfo.h"
#include "features/FeatureDocument.h"
#include "genapi/SoftStandardFeatures.h"

namespace ky::soft {

namespace {

ky::gc::FeatureDocument Document(IKySoftDeviceGEVInfo &info)
{
    ky::gc::FeatureDocument document;
    document.modelName = info.GetGenICamXMLRegDescModelName().str();
    document.vendorName = info.GetGenICamXMLRegDescVendorName().str();
    document.toolTip = "Software GigE Vision device";
    document.standardNameSpace = "GEV";
    // The program versions its file; the schema is the one the generator writes.
    document.fileMajor = info.GetGenICamXMLVersionMajor();
    document.fileMinor = info.GetGenICamXMLVersionMinor();
    document.fileSubMinor = info.GetGenICamXMLVersionSubMinor();
    document.productGuid = info.GetGenICamXMLProductGUID().str();
    document.versionGuid = info.GetGenICamXMLVersionGUID().str();
    return document;  // its port is the device's memory, "Device"
}

}  // namespace

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

KyResult SoftDeviceXml::Render(IKySoftDeviceGEVInfo &info,
                               const std::vector<const SoftFeatureTable *> &tables, std::string &xml)
{
    return Document(info).Render(tables, xml);
}

}  // namespace ky::soft
