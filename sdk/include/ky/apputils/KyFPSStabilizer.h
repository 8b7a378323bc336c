// KyFPSStabilizer: decides, frame by frame, whether to show the current frame so that the shown
// rate stays close to a target. Not shared between threads without the caller's own lock.
#pragma once

#include "ky/apputils/KyAppUtilsExport.h"

#include <chrono>
#include <cstdint>
#include <deque>

class KY_APPUTILS_API KyFPSStabilizer
{
public:
    KyFPSStabilizer() = default;
    ~KyFPSStabilizer() = default;

    // True when showing a frame now keeps the shown rate at or below aTargetFPS over the last
    // second and the frame is at least half a period after the last one shown (the frame is
    // then counted as shown); false otherwise: skip this frame and wait for the next rather than
    // hold it. A target of 0 shows every frame.
    bool IsTimeToDisplay(uint32_t aTargetFPS);
    // Frames shown over the last second.
    uint32_t GetAverage();
    void Reset() { mShown.clear(); }

private:
    using Clock = std::chrono::steady_clock;
    void Forget(Clock::time_point now);
    std::deque<Clock::time_point> mShown;  // times of the frames shown within the last second
};
