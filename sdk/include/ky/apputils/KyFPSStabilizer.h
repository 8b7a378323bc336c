// KyFPSStabilizer: decides, frame by frame, whether to show the current frame so that the shown
// rate stays close to a target. Not shared between threads without the caller's own lock.
#pragma once

#include "ky/apputils/KyAppUtilsExport.h"

#include <cstdint>
#include <memory>

namespace ky {
namespace apputils {
class FrameThinner;
}
}  // namespace ky

class KY_APPUTILS_API KyFPSStabilizer
{
public:
    /// Constructor: an empty history.
    KyFPSStabilizer();
    /// Destructor.
    ~KyFPSStabilizer();
    KyFPSStabilizer(const KyFPSStabilizer &) = delete;
    KyFPSStabilizer &operator=(const KyFPSStabilizer &) = delete;

    /// Whether to show the current frame.
    ///
    /// Frames are shown one every 1/aTargetFPS seconds, as evenly as the frames come: true for the frame
    /// nearest to the time the next one is due (the frame then counts as shown); false otherwise: skip this
    /// frame (it may still be processed) and wait for the next rather than hold it. From a steady source
    /// faster than the target, the gaps between the frames shown stay within one source period of
    /// 1/aTargetFPS; a slower source is shown whole.
    ///
    /// @param[in] aTargetFPS frames per second to show; 0 shows every frame
    ///
    /// @return true to show the frame
    bool IsTimeToDisplay(uint32_t aTargetFPS);
    /// The rate of the frames shown.
    ///
    /// @return frames shown over the last second
    uint32_t GetAverage();
    /// Clears the history.
    void Reset();

private:
    std::unique_ptr<ky::apputils::FrameThinner> mThinner;
};
