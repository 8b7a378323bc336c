// kydemo: the kit's main job, end to end on whatever GigE Vision camera discovery finds (the
// demo script starts softcam for it): list the cameras, open the first, grab a few images,
// convert the last one to BGR and write it as a PNG file.
//
//   kydemo [--output DIR] [--frames N]
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyBufferConverter.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/buffer/KyImage.h"
#include "ky/system/KyInterface.h"
#include "ky/stream/KyPipeline.h"
#include "ky/stream/KyStreamGEV.h"
#include "ky/system/KySystem.h"
#include "CommandLine.h"
#include "PngWriter.h"

namespace {

const char USAGE[] =
    "Usage: kydemo [--output DIR] [--frames N]\n"
    "Finds the GigE Vision cameras on every network adapter (discovery broadcasts on each one: run it\n"
    "inside a private network namespace, as scripts/demo does), opens the first, grabs N frames and\n"
    "writes the last one, converted to BGR, as DIR/frame.png. It ends with the count of complete frames,\n"
    "of frames that never arrived, and the stream's resend counters.\n"
    "  --output DIR   folder of frame.png (default: the current folder)\n"
    "  --frames N     frames to grab, 1 to 100000 (default 10)\n"
    "  -h, --help     show this help\n"
    "KY_LOG=control=debug,stream=debug in the environment writes its GVCP and GVSP traffic to\n"
    "standard error (categories and levels: README, Logging).\n";

bool Ok(const KyResult &result, const char *what)
{
    if (result.IsOK())
        return true;
    printf("kydemo: %s failed: %s %s\n", what, result.GetCodeString().GetAscii(),
           result.GetDescription().GetAscii());
    return false;
}

struct DeviceRelease
{
    void operator()(KyDevice *device) const { KyDevice::Free(device); }
};
struct StreamRelease
{
    void operator()(KyStream *stream) const { KyStream::Free(stream); }
};

const KyDeviceInfo *ListCameras(const KySystem &system)
{
    const KyDeviceInfo *first = nullptr;
    printf("Cameras found: %u\n", system.GetDeviceCount());
    for (uint32_t i = 0; i < system.GetInterfaceCount(); ++i) {
        const KyInterface *adapter = system.GetInterface(i);
        for (uint32_t j = 0; adapter && j < adapter->GetDeviceCount(); ++j) {
            const KyDeviceInfo *info = adapter->GetDeviceInfo(j);
            const auto *gev = dynamic_cast<const KyDeviceInfoGEV *>(info);
            printf("  %-8s %-20s %-12s %s\n", adapter->GetName().GetAscii(), info->GetModelName().GetAscii(),
                   info->GetSerialNumber().GetAscii(), gev ? gev->GetIPAddress().GetAscii() : "");
            if (!first)
                first = info;
        }
    }
    return first;
}

}  // namespace

int main(int argc, char **argv)
{
    std::string output = ".";
    int frames = 10;
    ky::tools::CommandLine line("kydemo", USAGE);
    line.Text("--output", output);
    line.Whole("--frames", frames, 1, 100000);
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;

    KySystem system;
    if (!Ok(system.Find(), "discovery"))
        return 1;
    const KyDeviceInfo *info = ListCameras(system);
    if (!info) {
        printf("kydemo: no camera; start one with softcam\n");
        return 1;
    }

    KyResult result;
    std::unique_ptr<KyDevice, DeviceRelease> device(KyDevice::CreateAndConnect(info, &result));
    if (!Ok(result, "connect"))
        return 1;
    auto *gev = dynamic_cast<KyDeviceGEV *>(device.get());
    KyGenParameterArray *params = device->GetParameters();
    if (!gev || !params) {
        printf("kydemo: the camera has no GenICam features\n");
        return 1;
    }
    KyString model, pixelFormat;
    int64_t width = 0, height = 0;
    // For the banner only: a feature the camera lacks shows as empty or 0.
    (void)params->GetStringValue("DeviceModelName", model);
    (void)params->GetIntegerValue("Width", width);
    (void)params->GetIntegerValue("Height", height);
    (void)params->GetEnumValue("PixelFormat", pixelFormat);
    printf("Opened %s: %lldx%lld %s\n", model.GetAscii(), static_cast<long long>(width),
           static_cast<long long>(height), pixelFormat.GetAscii());

    std::unique_ptr<KyStream, StreamRelease> stream(KyStream::CreateAndOpen(info, &result));
    if (!Ok(result, "stream open"))
        return 1;
    auto *gevStream = dynamic_cast<KyStreamGEV *>(stream.get());
    if (!gevStream || !Ok(gev->NegotiatePacketSize(), "packet size") ||
        !Ok(gev->SetStreamDestination(gevStream->GetLocalIPAddress(), gevStream->GetLocalPort()),
            "stream destination"))
        return 1;

    KyPipeline pipeline(stream.get());
    pipeline.SetBufferSize(device->GetPayloadSize());
    if (!Ok(pipeline.SetBufferCount(8), "buffers") || !Ok(pipeline.Start(), "pipeline start"))
        return 1;
    (void)params->SetIntegerValue("TLParamsLocked", 1);  // cameras without the lock refuse it, and need none
    if (!Ok(params->ExecuteCommand("AcquisitionStart"), "acquisition start"))
        return 1;

    KyBufferConverter converter;
    KyBuffer bgr;
    int written = 0, complete = 0;
    for (int n = 0; n < frames; ++n) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        if (!Ok(pipeline.RetrieveNextBuffer(&buffer, 2000, &operation), "grab"))
            break;
        if (operation.IsOK() && buffer->GetImage()) {
            ++complete;
            const IKyImage *image = buffer->GetImage();
            printf("  frame %llu: %ux%u\n", static_cast<unsigned long long>(buffer->GetBlockID()),
                   image->GetWidth(), image->GetHeight());
            if (n == frames - 1 &&
                Ok(bgr.GetImage()->Alloc(image->GetWidth(), image->GetHeight(), KyPixelBGR8),
                   "image memory") &&
                Ok(converter.Convert(buffer, &bgr), "conversion")) {
                const IKyImage *out = bgr.GetImage();
                const std::string path = output + "/frame.png";
                const std::string error =
                    ky::tools::WritePng(path, out->GetDataPointer(), out->GetWidth(), out->GetHeight(),
                                        static_cast<size_t>(out->GetWidth()) * 3, 3);
                if (error.empty()) {
                    printf("Wrote %s\n", path.c_str());
                    ++written;
                } else {
                    printf("kydemo: %s\n", error.c_str());
                }
            }
        } else {
            printf("  frame not complete: %s\n", operation.GetCodeString().GetAscii());
        }
        Ok(pipeline.ReleaseBuffer(buffer), "buffer release");
    }
    Ok(params->ExecuteCommand("AcquisitionStop"), "acquisition stop");
    (void)params->SetIntegerValue("TLParamsLocked", 0);  // as above
    // The frame the stop cut off comes back aborted: the stream does not count its missing
    // packets as lost.
    Ok(pipeline.Stop(), "pipeline stop");
    // The stream's own counters: a camera that drops packets shows here what came back on request,
    // and frames that never arrived at all (their block ids passed over) show as skipped.
    KyGenParameterArray *counters = stream->GetParameters();
    int64_t requests = 0, recovered = 0, lost = 0, skipped = 0;
    (void)counters->GetIntegerValue("ResendGroupRequested", requests);
    (void)counters->GetIntegerValue("PacketsRecovered", recovered);
    (void)counters->GetIntegerValue("LostPacketCount", lost);
    (void)counters->GetIntegerValue("BlocksSkipped", skipped);
    printf("Frames complete: %d of %d; frames that never arrived %lld; resend requests %lld, packets "
           "recovered %lld, packets lost %lld\n",
           complete, frames, static_cast<long long>(skipped), static_cast<long long>(requests),
           static_cast<long long>(recovered), static_cast<long long>(lost));
    return written ? 0 : 1;
}
