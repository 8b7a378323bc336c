// FrameThinner: the decisions of KyFPSStabilizer on timestamps the caller gives, so that they can
// be made (and tried) without the clock.
//
// Frames are shown on a schedule of one every 1/target seconds. A frame is shown when it comes
// within half an input period of the next due time (the input period is what the calls
// themselves show), which picks the frame nearest to each due time; the due time then moves on by
// one period, and never to less than a period less half an input period after the frame shown.
// So a steady input faster than the target is thinned out evenly: the gaps between the frames
// shown stay within one input period of 1/target, and their rate is the target. An input slower
// than the target is shown whole, and after a pause the schedule starts again from the next frame.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

namespace ky::apputils {

class FrameThinner
{
public:
    using Time = std::chrono::steady_clock::time_point;

    // Whether the frame that comes at `now` is shown (it then counts as shown). Times do not go
    // back; target 0 shows every frame.
    bool Decide(uint32_t targetFps, Time now);
    // Frames shown within the second before `now`.
    uint32_t ShownInLastSecond(Time now);
    void Reset();

private:
    using Duration = std::chrono::steady_clock::duration;
    void Forget(Time now);
    void NoteInput(Time now);

    std::deque<Time> mShown;  // the frames shown within the last second
    bool mScheduled = false;  // mDue holds the time the next frame is due
    Time mDue{};
    bool mHaveInput = false;
    Time mLastInput{};
    Duration mLastGap{0};      // between the last two calls; 0 while unknown
    Duration mSmoothedGap{0};  // the gaps between calls, smoothed; 0 while unknown
};

}  // namespace ky::apputils
