// KyDisplayThread: a thread of its own that takes buffers from a pipeline and hands each to the
// subclass's hooks, for showing or processing images as they arrive.
//
// For each buffer: OnBufferRetrieved, then OnBufferDisplay (when the frame-rate stabilizer says
// it is time, at the target rate set by SetTargetFrameRate; 0, the default, shows every buffer),
// then OnBufferDone; the buffer then goes back to the pipeline. The hooks run on the display
// thread; an exception thrown by one is caught and logged, and the thread goes on.
//
// A subclass must stop the thread (Stop, then WaitComplete) in its own destructor: once the
// subclass part is gone its hooks can no longer be called. The base destructor stops and joins
// the thread as a last resort.
//
// Inside a hook (on the display thread) the object may be stopped (Stop(false)) or deleted.
// Deleted from its own hook, it is not joined by itself: once the hook returns, the thread hands
// the buffer back to the pipeline and ends without touching the object, and the SDK's reaper
// joins it. Calls that would wait for the display thread (Stop(true), WaitComplete) and Start
// return KY_STATE_ERROR there.
#pragma once

#include "ky/apputils/KyAppUtilsExport.h"
#include "ky/base/KyBaseExport.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "ky/apputils/KyFPSStabilizer.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KyBuffer;
class KyGenParameterArray;
class KyPipeline;
namespace ky {
namespace base {
class OwnedThread;
class ThreadLife;
}  // namespace base
}  // namespace ky

class KY_APPUTILS_API KyDisplayThread
{
public:
    KyDisplayThread();
    virtual ~KyDisplayThread();
    KyDisplayThread(const KyDisplayThread &) = delete;
    KyDisplayThread &operator=(const KyDisplayThread &) = delete;

    // Starts taking buffers from the pipeline (which the caller keeps alive until the thread
    // ended). aParameters (may be null) is the device's parameter array, handed to nothing
    // here and kept for the subclass (GetParameters). KY_INVALID_PARAMETER for a null
    // pipeline, KY_STATE_ERROR when running already, KY_THREAD_ERROR.
    KyResult Start(KyPipeline *aPipeline, KyGenParameterArray *aParameters);
    // Asks the thread to end; with aWait, also waits for it (as WaitComplete). Callable from the
    // hooks (without waiting). KY_STATE_ERROR when not running.
    KyResult Stop(bool aWait);
    // Waits for the thread to end. KY_STATE_ERROR when called on the display thread itself.
    KyResult WaitComplete();
    bool IsRunning() const;

    // Target of the frame-rate stabilizer for OnBufferDisplay, frames per second; 0: all.
    void SetTargetFrameRate(uint32_t aFramesPerSecond) { mTargetFrameRate = aFramesPerSecond; }
    uint32_t GetTargetFrameRate() const { return mTargetFrameRate; }
    // How often OnBufferDisplay was called per second, over the last second.
    uint32_t GetFrameRate() const;
    KyGenParameterArray *GetParameters() const { return mParameters; }

protected:
    virtual void OnBufferRetrieved(KyBuffer *aBuffer);
    virtual void OnBufferDisplay(KyBuffer *aBuffer);
    virtual void OnBufferDone(KyBuffer *aBuffer);
    virtual void OnBufferLog(const KyString &aLog);
    virtual void OnBufferTextOverlay(const KyString &aText);

private:
    KY_LOCAL void Run(const ky::base::ThreadLife &life, KyPipeline *pipeline);
    // False when a hook deleted the object.
    KY_LOCAL bool Handle(const ky::base::ThreadLife &life, KyBuffer *buffer);

    mutable std::mutex mMutex;  // the thread object, pipeline and parameters
    const std::unique_ptr<ky::base::OwnedThread> mThread;
    std::atomic<bool> mStop{false};
    std::atomic<bool> mRunning{false};
    std::atomic<uint32_t> mTargetFrameRate{0};
    KyPipeline *mPipeline = nullptr;
    KyGenParameterArray *mParameters = nullptr;
    mutable std::mutex mStabilizerMutex;
    mutable KyFPSStabilizer mStabilizer;
};
