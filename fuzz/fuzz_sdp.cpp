// Session descriptions: any text read by the SDP reader and loaded into a KySessionInfoSDP. What
// comes out must be a video media of a payload type 0 to 127, and a refused text leaves nothing.
#include <cstdlib>
#include <string>

#include "ky/stream/KySessionInfoSDP.h"
#include "rtp/SdpDescription.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace ky::rtp;
    SdpVideo video;
    std::string error;
    const bool ok = ParseSdp(reinterpret_cast<const char *>(data), size, video, error);
    if (ok && (video.payloadType < 0 || video.payloadType > 127))
        std::abort();
    if (!ok && (error.empty() || video.port != 0 || !video.connectionAddress.empty()))
        std::abort();
    // The public record over the same text (cut at the first NUL, as a KyString is).
    KySessionInfoSDP session;
    const KyResult loaded = session.Load(KyString(std::string(reinterpret_cast<const char *>(data), size)));
    if (loaded.IsOK() != session.IsValid())
        std::abort();
    if (session.GetPayloadType() == KyPayloadTypeImage && session.GetPixelType() == KyPixelUndefined)
        std::abort();
    return 0;
}
