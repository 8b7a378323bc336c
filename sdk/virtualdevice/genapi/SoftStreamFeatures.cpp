#include "genapi/SoftStreamFeatures.h"

#include <set>
#include <string>

#include "ky/virtualdevice/IKyStreamingChannelSource.h"
#include "ky/buffer/KyImage.h"
#include "ky/Guarded.h"
#include "SoftLog.h"
#include "genapi/SoftChunkFeatures.h"
#include "registers/SoftStreamRegisters.h"

namespace ky::soft {

namespace {

using Kind = SoftFeatureKind;
using Offset = StreamFeatureOffset;

const char FORMAT[] = "ImageFormatControl";
const char ACQUISITION[] = "AcquisitionControl";
const char LOCK[] = "TLParamsLocked";  // set by controllers while they stream
constexpr int MAX_PIXEL_TYPES = 256;

}  // namespace

SoftFeatureTable SoftStreamFeatures::Make(uint32_t channel, const IKyStreamingChannelSource &source)
{
    SoftFeatureTable table;
    table.owner = "stream channel " + std::to_string(channel);
    std::vector<SoftFeature> &f = table.features;
    auto at = [channel](Offset offset) { return StreamFeatureAddress(channel, offset); };

    for (const char *size : {"Width", "Height"}) {
        const std::string name = size;
        const Offset base = name == "Width" ? Offset::WidthMin : Offset::HeightMin;
        const char *suffixes[] = {"Min", "Max", "Inc"};
        for (uint32_t i = 0; i < 3; ++i) {
            const Offset offset = static_cast<Offset>(static_cast<uint32_t>(base) + 4 * i);
            f.push_back(SoftFeature::OnRegister(Kind::IntReg, name + suffixes[i], at(offset))
                            .Access("RO")
                            .Vis("Invisible")
                            .In(""));
        }
        SoftFeature feature =
            SoftFeature::OnRegister(Kind::Integer, name, at(name == "Width" ? Offset::Width : Offset::Height))
                .In(FORMAT)
                .Locked(LOCK);
        feature.pMin = name + "Min";
        feature.pMax = name + "Max";
        feature.pInc = name + "Inc";
        f.push_back(feature);
    }
    for (const char *offset : {"OffsetX", "OffsetY"}) {
        const std::string name = offset;
        SoftFeature feature =
            SoftFeature::OnRegister(Kind::Integer, name,
                                    at(name == "OffsetX" ? Offset::OffsetX : Offset::OffsetY))
                .In(FORMAT)
                .Locked(LOCK)
                .Vis("Expert");
        feature.min = "0";
        feature.pMax = name == "OffsetX" ? "WidthMax" : "HeightMax";
        f.push_back(feature);
    }
    SoftFeature pixelFormat =
        SoftFeature::OnRegister(Kind::Enumeration, "PixelFormat", at(Offset::PixelFormat))
            .In(FORMAT)
            .Locked(LOCK);
    // Asked from index 0 until a failure, at most MAX_PIXEL_TYPES times: a source that always
    // answers OK gives its first answers and no more. A type (or name) given twice is listed once.
    std::set<std::string> names;
    std::set<uint32_t> values;
    for (int index = 0; index < MAX_PIXEL_TYPES; ++index) {
        KyPixelType type = KyPixelMono8;
        const KyResult result = ky::base::Guarded(SoftDeviceLog(), "GetSupportedPixelType",
                                                  [&] { return source.GetSupportedPixelType(index, type); });
        if (result.IsFailure()) {
            break;
        }
        std::string name = KyImage::PixelTypeToString(type).GetAscii();
        const uint32_t value = static_cast<uint32_t>(type);
        if (values.count(value) == 0 && names.count(name) == 0) {
            values.insert(value);
            names.insert(name);
            pixelFormat.Entry(name, value);
        }
    }
    f.push_back(pixelFormat);
    f.push_back(SoftFeature::OnRegister(Kind::Integer, "PayloadSize", at(Offset::PayloadSize))
                    .In(FORMAT)
                    .Access("RO")
                    .Unit("B"));

    f.push_back(SoftFeature::OnRegister(Kind::Enumeration, "AcquisitionMode", at(Offset::AcquisitionMode))
                    .In(ACQUISITION)
                    .Entry("Continuous", 0)
                    .Entry("SingleFrame", 1));
    f.push_back(SoftFeature::OnRegister(Kind::Command, "AcquisitionStart", at(Offset::AcquisitionStart))
                    .In(ACQUISITION)
                    .Access("WO"));
    f.push_back(SoftFeature::OnRegister(Kind::Command, "AcquisitionStop", at(Offset::AcquisitionStop))
                    .In(ACQUISITION)
                    .Access("WO"));
    f.push_back(SoftFeature::OnRegister(Kind::Enumeration, "TriggerMode", at(Offset::TriggerMode))
                    .In(ACQUISITION)
                    .Entry("Off", 0));
    f.push_back(SoftFeature::OnRegister(Kind::Enumeration, "TriggerSource", at(Offset::TriggerSource))
                    .In(ACQUISITION)
                    .Entry("Software", 0));
    f.push_back(SoftFeature::OnRegister(Kind::Float, "ExposureTime", at(Offset::ExposureTime))
                    .In(ACQUISITION)
                    .Range("10", "1000000")
                    .Unit("us"));
    SoftChunkFeatures::Append(channel, SupportedChunks(source), table);
    return table;
}

}  // namespace ky::soft
