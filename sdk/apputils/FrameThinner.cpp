#include "FrameThinner.h"

#include <algorithm>

namespace ky::apputils {
namespace {

constexpr auto kSecond = std::chrono::seconds(1);

}  // namespace

void FrameThinner::Reset()
{
    mShown.clear();
    mScheduled = false;
    mHaveInput = false;
    mLastGap = mSmoothedGap = Duration(0);
}

void FrameThinner::Forget(Time now)
{
    while (!mShown.empty() && now - mShown.front() >= kSecond)
        mShown.pop_front();
}

// The input period follows the spacing of the calls: the last gap, and the gaps smoothed over
// about eight calls, whichever is shorter, so that a source that speeds up is seen at once. A
// gap of a second or more is a pause, not the input's rate: the period is then unknown until
// the next call.
void FrameThinner::NoteInput(Time now)
{
    const Duration gap = mHaveInput ? now - mLastInput : Duration(0);
    mHaveInput = true;
    mLastInput = now;
    if (gap >= kSecond || gap <= Duration(0)) {
        mLastGap = Duration(0);
        return;
    }
    mLastGap = gap;
    mSmoothedGap = mSmoothedGap == Duration(0) ? gap : mSmoothedGap + (gap - mSmoothedGap) / 8;
}

bool FrameThinner::Decide(uint32_t targetFps, Time now)
{
    NoteInput(now);
    Forget(now);
    if (targetFps == 0) {
        mScheduled = false;
        mShown.push_back(now);
        return true;
    }
    const Duration period = std::chrono::duration_cast<Duration>(kSecond) / targetFps;
    // Half an input period, but never more than half a target period: no two frames shown come
    // closer than that.
    const Duration slack = std::min({mLastGap, mSmoothedGap, period}) / 2;
    if (mScheduled && now + slack < mDue)
        return false;
    mDue = mScheduled ? std::max(mDue + period, now + period - slack) : now + period;
    mScheduled = true;
    mShown.push_back(now);
    return true;
}

uint32_t FrameThinner::ShownInLastSecond(Time now)
{
    Forget(now);
    return static_cast<uint32_t>(mShown.size());
}

}  // namespace ky::apputils
