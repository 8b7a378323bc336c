#include "ky/apputils/KyDisplayThread.h"

#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogger.h"
#include "ky/stream/KyPipeline.h"
#include "ky/Guarded.h"
#include "ky/OwnedThread.h"

namespace {

constexpr uint32_t kRetrieveWaitMs = 100;  // how soon the thread sees a stop request

KyLogger &DisplayLog() { return *KyLogCategories::Find("display"); }

}  // namespace

KyDisplayThread::KyDisplayThread() : mThread(new ky::base::OwnedThread) { }

KyDisplayThread::~KyDisplayThread()
{
    mStop = true;
    std::lock_guard<std::mutex> lock(mMutex);
    // Deleted from its own hook: the thread goes to the reaper and, once the hook returns, ends
    // without touching this object.
    mThread->Release();
}

KyResult KyDisplayThread::Start(KyPipeline *aPipeline, KyGenParameterArray *aParameters)
{
    if (aPipeline == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("the display thread needs a pipeline"));
    std::lock_guard<std::mutex> lock(mMutex);
    if (mRunning && !mStop)
        return KyResult(KY_STATE_ERROR, KyString("the display thread is running already"));
    // A thread that was asked to stop is joined before the next one starts.
    if (!mThread->Join())
        return KyResult(KY_STATE_ERROR, KyString("the display thread cannot restart itself"));
    mPipeline = aPipeline;
    mParameters = aParameters;
    mStop = false;
    mRunning = true;
    {
        std::lock_guard<std::mutex> stabilizer(mStabilizerMutex);
        mStabilizer.Reset();
    }
    try {
        mThread->Start(this, [this, aPipeline](const ky::base::ThreadLife &life) { Run(life, aPipeline); });
    } catch (const std::exception &error) {
        mRunning = false;
        return KyResult(KY_THREAD_ERROR,
                        KyString(std::string("cannot start the display thread: ") + error.what()));
    }
    return KyResult();
}

KyResult KyDisplayThread::Stop(bool aWait)
{
    if (!mRunning)
        return KyResult(KY_STATE_ERROR, KyString("the display thread is not running"));
    mStop = true;
    return aWait ? WaitComplete() : KyResult();
}

KyResult KyDisplayThread::WaitComplete()
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mThread->Join())
        return KyResult(KY_STATE_ERROR, KyString("the display thread cannot wait for itself"));
    return KyResult();
}

bool KyDisplayThread::IsRunning() const { return mRunning; }

uint32_t KyDisplayThread::GetFrameRate() const
{
    std::lock_guard<std::mutex> lock(mStabilizerMutex);
    return mStabilizer.GetAverage();
}

// The pipeline is a local: a hook may delete this object, after which only the pipeline (which
// the caller keeps alive until the thread ended) and the thread's life are used.
void KyDisplayThread::Run(const ky::base::ThreadLife &life, KyPipeline *pipeline)
{
    while (!mStop) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        KyResult result = pipeline->RetrieveNextBuffer(&buffer, kRetrieveWaitMs, &operation);
        if (result.IsOK() && buffer != nullptr) {
            const bool alive = Handle(life, buffer);
            // The pipeline lent it: giving it back is refused only for a buffer it did not lend.
            (void)pipeline->ReleaseBuffer(buffer);
            if (!alive)
                return;
        } else if (result.GetCode() != KY_TIMEOUT) {
            // The pipeline is not started (yet, or any more): look again shortly.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    mRunning = false;
}

bool KyDisplayThread::Handle(const ky::base::ThreadLife &life, KyBuffer *buffer)
{
    ky::base::Guarded(DisplayLog(), "OnBufferRetrieved", [&] { OnBufferRetrieved(buffer); });
    if (life.Released())
        return false;
    bool show = true;
    {
        std::lock_guard<std::mutex> lock(mStabilizerMutex);
        show = mStabilizer.IsTimeToDisplay(mTargetFrameRate);
    }
    if (show) {
        ky::base::Guarded(DisplayLog(), "OnBufferDisplay", [&] { OnBufferDisplay(buffer); });
        if (life.Released())
            return false;
    }
    ky::base::Guarded(DisplayLog(), "OnBufferDone", [&] { OnBufferDone(buffer); });
    return !life.Released();
}

void KyDisplayThread::OnBufferRetrieved(KyBuffer *) { }
void KyDisplayThread::OnBufferDisplay(KyBuffer *) { }
void KyDisplayThread::OnBufferDone(KyBuffer *) { }
void KyDisplayThread::OnBufferLog(const KyString &) { }
void KyDisplayThread::OnBufferTextOverlay(const KyString &) { }
