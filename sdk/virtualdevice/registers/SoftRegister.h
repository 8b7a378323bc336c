// SoftRegister: one register of the software device, its bytes (as a controller sees them,
// big-endian values), its event sinks and the device's own hooks.
//
// Threads: the content is guarded by a lock that is held only to copy bytes, never while a hook
// or a sink runs, so a hook may read any register (the stream channel's SCP and SCDA hooks each
// read the other) while both are written from two threads. Writes of one register are taken one
// at a time, hooks and sinks included: another write of the same register waits until the check,
// the store and the reactions of the current one are done, so a check that applies the value to
// the device (the packet size, a command) and the stored value never disagree. Reads never wait
// for a write: while a write is being checked, its new content is seen by the writing thread
// alone (its hooks and sinks see what they check); other threads read the former content until
// the write is accepted. A refused write is never seen by another thread.
// Two registers whose hooks or sinks write each other, from two threads at once, would wait for
// each other: the device's own hooks never write another register.
#pragma once

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "ky/virtualdevice/IKyRegister.h"
#include "ky/virtualdevice/IKyRegisterStore.h"
#include "ky/base/KyEnums.h"

namespace ky::soft {

class SoftRegister : public IKyRegister
{
public:
    // Device hooks, run before the program's sinks: the read hook refreshes the content, the
    // write check may adjust the new content in place (SetRaw) or refuse it, the write hook
    // reacts to an accepted write.
    using ReadHook = std::function<void(SoftRegister &)>;
    using WriteCheck = std::function<KyResult(SoftRegister &)>;
    using WriteHook = std::function<void(SoftRegister &)>;

    SoftRegister(const KyString &name, uint32_t address, uint32_t length, KyGenAccessMode mode,
                 bool arrayOfBytes, void *context);

    const KyString &GetName() override { return mName; }
    uint32_t GetAddress() const override { return mAddress; }
    size_t GetLength() const override { return mLength; }
    const void *GetContext() const override { return mContext; }
    void *GetContext() override { return mContext; }
    bool IsWritable() const override { return mMode != KyGenAccessModeReadOnly; }
    bool IsReadable() const override { return mMode != KyGenAccessModeWriteOnly; }
    bool IsArrayOfBytes() const override { return mArrayOfBytes; }

    KyResult ReadBytes(uint8_t *aData, uint32_t aDataLength, uint32_t aOffset = 0) override;
    KyResult Write(const uint8_t *aData, uint32_t aDataLength, uint32_t aOffset = 0) override;
    KyResult ReadInt(uint32_t &aValue, uint32_t aOffset = 0) override;
    KyResult Write(uint32_t aValue, uint32_t aOffset = 0) override;
    KyResult ReadString(KyString &aValue) override;
    KyResult Write(const KyString &aValue) override;
    KyResult ReadFloat(float &aValue) override;
    KyResult WriteFloat(float aValue) override;
    KyResult ReadDouble(double &aValue) override;
    KyResult WriteDouble(double aValue) override;
    KyResult AddEventSink(IKyRegisterEventSink *aEventSink) override;
    KyResult RemoveEventSink(IKyRegisterEventSink *aEventSink) override;

    void SetHooks(ReadHook readHook, WriteCheck writeCheck, WriteHook writeHook);

    // Saves or loads the register for a user set: each sink may persist it its own way (once per
    // selector value); when none does (all answer KY_NOT_IMPLEMENTED), the store keeps its bytes.
    KyResult Persist(IKyRegisterStore &store);

    // Content without hooks or sinks, for the device's own bookkeeping. Out-of-range parts are
    // ignored (reads give zeros).
    void SetRaw(const uint8_t *data, size_t size, size_t offset = 0);
    void SetRawU32(uint32_t value, size_t offset = 0);
    void SetRawString(const std::string &text);
    uint32_t GetRawU32(size_t offset = 0);
    std::string GetRawString();

private:
    KyResult CheckRange(const void *data, uint32_t length, uint32_t offset) const;
    // The content the calling thread sees (see above); mMutex held.
    std::vector<uint8_t> &Content();

    const KyString mName;
    const uint32_t mAddress;
    const KyGenAccessMode mMode;
    const bool mArrayOfBytes;
    void *const mContext;
    const size_t mLength;

    // One write at a time, hooks and sinks included. Recursive: a hook or sink may write its own
    // register during the call.
    std::recursive_mutex mWriteMutex;
    // The content, the sinks and the hooks; held only to copy them, never across a call out.
    std::mutex mMutex;
    std::vector<uint8_t> mData;    // the accepted content
    std::vector<uint8_t> mStaged;  // the content of the write being checked
    std::thread::id mStager;       // the thread of that write; none between writes
    std::vector<IKyRegisterEventSink *> mSinks;
    ReadHook mReadHook;
    WriteCheck mWriteCheck;
    WriteHook mWriteHook;
};

}  // namespace ky::soft
