#include "ky/stream/KySessionInfoSDP.h"

#include <string>

#include "rtp/RtpPayloadConfig.h"
#include "rtp/RtpSampling.h"
#include "rtp/SdpDescription.h"

struct KySessionInfoSDP::Impl
{
    std::string text;
    bool valid = false;
    ky::rtp::SdpVideo video;
};

KySessionInfoSDP::KySessionInfoSDP() : mImpl(new Impl()) { }
KySessionInfoSDP::~KySessionInfoSDP() = default;
KySessionInfoSDP::KySessionInfoSDP(const KySessionInfoSDP &aOther) : mImpl(new Impl(*aOther.mImpl)) { }

KySessionInfoSDP &KySessionInfoSDP::operator=(const KySessionInfoSDP &aOther)
{
    if (this != &aOther)
        *mImpl = *aOther.mImpl;
    return *this;
}

KyResult KySessionInfoSDP::Load(const KyString &aText)
{
    const std::string text = aText.str();
    ky::rtp::SdpVideo video;
    std::string error;
    if (!ky::rtp::ParseSdp(text.data(), text.size(), video, error)) {
        *mImpl = Impl();
        return KyResult(KY_INVALID_DATA_FORMAT, KyString(error));
    }
    mImpl->text = text;
    mImpl->video = video;
    mImpl->valid = true;
    return KyResult();
}

bool KySessionInfoSDP::IsValid() const { return mImpl->valid; }
KyString KySessionInfoSDP::GetText() const { return KyString(mImpl->text); }
KyString KySessionInfoSDP::GetConnectionAddress() const { return KyString(mImpl->video.connectionAddress); }
uint16_t KySessionInfoSDP::GetPort() const { return mImpl->video.port; }
bool KySessionInfoSDP::IsTCP() const { return mImpl->video.transport.rfind("TCP/", 0) == 0; }
int32_t KySessionInfoSDP::GetRTPPayloadType() const { return mImpl->valid ? mImpl->video.payloadType : -1; }
uint32_t KySessionInfoSDP::GetWidth() const { return mImpl->video.width; }
uint32_t KySessionInfoSDP::GetHeight() const { return mImpl->video.height; }

KyPixelType KySessionInfoSDP::GetPixelType() const
{
    if (mImpl->video.encodingName != "RAW")
        return KyPixelUndefined;
    return ky::rtp::PixelTypeOfSampling(mImpl->video.sampling, mImpl->video.depth);
}

KyPayloadType KySessionInfoSDP::GetPayloadType() const
{
    if (!mImpl->valid)
        return KyPayloadTypeUndefined;
    if (mImpl->video.encodingName == "H264")
        return KyPayloadTypeH264;
    if (GetPixelType() != KyPixelUndefined)
        return KyPayloadTypeImage;
    return KyPayloadTypeUndefined;
}
