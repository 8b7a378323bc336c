#include "rtp/RtpSessionSender.h"

namespace ky::stream {

void RtpSessionSender::Reset() { mKnown = false; }

bool RtpSessionSender::Accept(const RtpPacket &packet, const RtpPacketSource &source, bool mayName,
                              Clock::time_point now)
{
    const bool silent = mKnown && now - mLastAccepted >= SILENCE_MS;
    if (!mKnown || silent) {
        if (mPinned && packet.ssrc != mPinnedSsrc)
            return false;
        if (!mayName)
            return true;
        mKnown = true;
        mSsrc = packet.ssrc;
        mSource = source;
        mLastAccepted = now;
        return true;
    }
    if (packet.ssrc != mSsrc)
        return false;
    if (mSource.known && (!source.known || source.ip != mSource.ip || source.port != mSource.port))
        return false;
    mLastAccepted = now;
    return true;
}

}  // namespace ky::stream
