#include "ky/apputils/KyFPSStabilizer.h"

void KyFPSStabilizer::Forget(Clock::time_point now)
{
    while (!mShown.empty() && now - mShown.front() >= std::chrono::seconds(1))
        mShown.pop_front();
}

bool KyFPSStabilizer::IsTimeToDisplay(uint32_t aTargetFPS)
{
    const Clock::time_point now = Clock::now();
    Forget(now);
    if (aTargetFPS != 0) {
        // Over the last second no more than the target; and no two frames closer than half a
        // period, so that a fast source is thinned out evenly rather than in bursts.
        if (mShown.size() >= aTargetFPS)
            return false;
        const auto halfPeriod = std::chrono::duration<double>(0.5 / aTargetFPS);
        if (!mShown.empty() && now - mShown.back() < halfPeriod)
            return false;
    }
    mShown.push_back(now);
    return true;
}

uint32_t KyFPSStabilizer::GetAverage()
{
    Forget(Clock::now());
    return static_cast<uint32_t>(mShown.size());
}
