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
    /// Constructor: an empty history.
    KyFPSStabilizer() = default;
    /// Destructor.
    ~KyFPSStabilizer() = default;

    /// Whether to show the current frame. True when showing it now keeps the shown rate at or
    /// below the target over the last second and the frame comes at least half a period after
    /// the last one shown (the frame then counts as shown); false otherwise: skip this frame
    /// (it may still be processed) and wait for the next rather than hold it.
    /// @param aTargetFPS frames per second to show; 0 shows every frame
    /// @return true to show the frame
    bool IsTimeToDisplay(uint32_t aTargetFPS);
    /// The rate of the frames shown.
    /// @return frames shown over the last second
    uint32_t GetAverage();
    /// Clears the history.
    void Reset() { mShown.clear(); }

private:
    using Clock = std::chrono::steady_clock;
    void Forget(Clock::time_point now);
    std::deque<Clock::time_point> mShown;  // times of the frames shown within the last second
};
