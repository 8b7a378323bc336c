// Device: one opened camera. Made and deleted by System only; it owns the camera's SDK objects
// (device, stream, pipeline, acquisition-state manager) and keeps the last result of its
// operations, from which the library code and the last-error text come.
//
// Threads: the application's calls arrive through System on the application's thread(s), each
// counted as a call in flight (EnterCall, LeaveCall), which the close waits for.
// The SDK's display thread (KyDisplayThread, the primary base) and the device's event threads
// (KyDeviceEventSink) call the hooks; destruction stops and joins the display thread and frees
// the device (which joins its threads) before anything else goes, so no hook outlives the Device.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ky/apputils/KyAcquisitionStateManager.h"
#include "ky/apputils/KyDisplayThread.h"
#include "ky/base/KyResult.h"
#include "ky/device/KyDevice.h"
#include "ky/device/KyDeviceEventSink.h"
#include "ky/device/KyDeviceInfo.h"
#include "ky/stream/KyPipeline.h"
#include "ky/camctrl/bnkCamCtrl.h"
#include "ky/stream/KyStream.h"
#include "LogInfo.h"
#include "SettingsFiles.h"

struct _bnkBuffer;
class KyGenEnum;
class KyGenInteger;

namespace ky::camctrl {

class Device : public KyDisplayThread, public KyDeviceEventSink
{
public:
    explicit Device(bool detailedLog);
    ~Device() override;
    Device(const Device &) = delete;
    Device &operator=(const Device &) = delete;

    // ---- connection (DeviceConnection.cpp) ----
    // Connects the camera of the record and prepares its stream; on failure everything opened so
    // far is released and the failing step's result is the last result.
    int OpenDevice(std::shared_ptr<const KyDeviceInfo> info);
    // Unregisters what is registered and disconnects; -1006 (nothing released) when the link is
    // gone: the destructor then releases.
    int CloseDevice();
    // Releases the SDK objects in order: display thread (stopped and joined), state manager,
    // device, pipeline, stream. Leaves the last result alone.
    void Disconnect();
    // True when the device is set and connected; otherwise the last result says "not connected".
    bool IsConnected();
    int IsOpenDevice(bool *open);
    int GetInterface(char *text, unsigned int *length);
    int GetAcquisitionState();
    bool IsStreaming();
    int SetDetailedLog(bool on);
    int GetDetailedLog(bool *on);

    // ---- calls in flight (the close waits for them) ----
    // Counts an application call on this camera; false once the camera is closing. System calls
    // it under its handle lock, so that a close that took the handle away sees every call that
    // got in.
    bool EnterCall();
    void LeaveCall();
    // No call gets in from now on.
    void BeginClose();
    // Until every call that got in has left; meanwhile wakes again and again what waits in the
    // pipeline or the stream (a polling or single grab), so that no wait outlasts the close.
    void WaitForCalls();
    bool IsClosing() const;

    // ---- last result ----
    // The camera's last error: the code and text of the last operation that stored one, from
    // whichever thread; read and written whole under a lock of its own.
    int GetLastError() const;
    std::string GetLastErrorText() const;
    // Stores a result as the camera's last error and as the calling thread's own result of its
    // current call (what the rest of that call goes by); returns its library code.
    int SetResult(const KyResult &result);
    int SetResult(uint32_t code, const char *description);

    // ---- features and memory (DeviceFeatures.cpp) ----
    int SetIntReg(const char *name, int64_t value);
    int GetIntReg(const char *name, int64_t *value);
    int SetFloatReg(const char *name, double value);
    int GetFloatReg(const char *name, double *value);
    int SetBoolReg(const char *name, bool value);
    int GetBoolReg(const char *name, bool *value);
    int SetEnumReg(const char *name, const char *value);
    int GetEnumReg(const char *name, char *text, unsigned int *length);
    int SetStrReg(const char *name, const char *value);
    int GetStrReg(const char *name, char *text, unsigned int *length);
    int SetCmdReg(const char *name);
    int GetIntRegRange(const char *name, int64_t *min, int64_t *max, int64_t *increment);
    int GetFloatRegRange(const char *name, double *min, double *max);
    int GetEnumEntrySize(const char *name, int *count);
    int GetEnumEntryIntValue(const char *name, int index, int *value);
    int GetEnumEntryValue(const char *name, int index, char *text, unsigned int *length);
    int ReadParam(unsigned char *data, int64_t address, int64_t length);
    int WriteParam(const unsigned char *data, int64_t address, int64_t length);
    // The feature of that name as an integer or an enumeration; null when the camera has no such
    // feature or it is of another type, and then `why` (when given) says which of the two.
    KyGenInteger *FindInteger(const std::string &name, KyResult *why = nullptr);
    KyGenEnum *FindEnum(const std::string &name, KyResult *why = nullptr);

    // ---- settings files (DeviceSettings*.cpp) ----
    // Saves the writable settings as XML (format 0: version "1.0", 1: version "1.1"; any other
    // format writes nothing) or JSON; features visible at `visibility` (KyGenVisibility).
    int ExportXML(const char *path, int format, int visibility);
    int ImportXML(const char *path);
    int ExportJson(const char *path, int visibility);
    int ImportJson(const char *path);

    // ---- acquisition and polling grab (DeviceGrab.cpp) ----
    int AcqStart();
    int AcqStop();
    int DoAbortGrab();
    int SetGrabTimeout(uint32_t milliseconds);
    int GetGrabTimeout(uint32_t *milliseconds);
    int SetBufferCount(uint32_t count);
    int GetBufferCount(uint32_t *count);
    // Sizes and allocates the record's memory; bytesPerPixel 0 takes it from the pixel format.
    int InitBuffer(_bnkBuffer *record, int bytesPerPixel);
    // The next image of the running pipeline, copied into the record's memory (never past its
    // imageSize: a larger image is refused with -1013 and the record stays as it was).
    int GrabImage(_bnkBuffer *record);
    // One single-frame acquisition on buffers of its own (acquisition stopped first); the
    // acquisition mode is set back to "Continuous" and the buffers freed whatever happens.
    int SingleGrabImage(_bnkBuffer *record);
    int GetImageAvailable(uint32_t *available);
    // The stream's statistics: blocks and failed blocks, blocks per second, megabits per second.
    int GetGrabCount(uint64_t *blocks, uint64_t *errors);
    int GetFrameRate(double *rate);
    int GetBandwidth(double *mbps);

    // ---- grab and event callbacks (DeviceCallbacks.cpp) ----
    // A refused call (bad type or ID, null function) changes nothing. Removing the last grab
    // callback stops the display thread and, except on that thread itself, waits for it.
    int RegisterGrabCallback(int type, GrabCallback callback, void *user);
    int UnregisterGrabCallback(int type);
    int RegisterEventCallback(int eventId, EventCallback callback, void *user);
    int UnregisterEventCallback(int eventId);
    // Whether the calling thread is inside one of this camera's callbacks (any camera's, for
    // InsideAnyCallback): such a thread cannot close the camera, which waits for its callbacks.
    bool InsideOwnCallback() const;
    static bool InsideAnyCallback();
    // Forgets every callback (nothing is called afterwards on a new image or event).
    void ClearCallbacks();

    // ---- log file (DeviceLog.cpp) ----
    // Keeps the path and appends the camera's description lines (nothing when not connected).
    void CreateLogFile(const std::string &path);
    // Appends one line while the camera has a log file; a record of "AcqStop" adds the stream's
    // statistics lines.
    void WriteLogFile(const LogInfo &record);
    static std::string GetStringCurrentTime();
    bool HasLogFile();

protected:
    void OnBufferRetrieved(KyBuffer *buffer) override;
    // Display thread: each buffer of the pipeline to the grab callback of its kind.
    void OnBufferDisplay(KyBuffer *buffer) override;
    // Device event thread: a camera event to the event callback of its ID.
    void OnEvent(KyDevice *device, uint16_t eventId, uint16_t channel, uint64_t blockId, uint64_t timestamp,
                 const void *data, uint32_t dataLength) override;
    // Device heartbeat thread: the link is gone.
    void OnLinkDisconnected(KyDevice *device) override;

private:
    // The result the calling thread's current call stored last (see SetResult): a call decides
    // by its own result, never by one another thread stored meanwhile.
    static KyResult &CallResult();
    static int CallError();
    // The connection without touching the last result.
    bool Connected() const;
    bool StreamingQuietly();
    void StopStreaming();
    KyResult StartStreaming();
    int CopyImage(KyBuffer *buffer, _bnkBuffer *record);
    // The single grab's own buffers: made and queued on the stream; freed once the stream gave
    // them all back (false, and nothing freed, when it did not).
    void CreateStreamBuffers(std::vector<KyBuffer *> &buffers);
    bool FreeStreamBuffers(std::vector<KyBuffer *> &buffers);
    void StartDisplayThread();
    void StopDisplayThread();
    bool HasGrabCallback() const;
    // Writes EventSelector = entry, then EventNotification = "On" or "Off", into the last result.
    KyResult SetNotification(const char *entry, bool on);
    // The stream's parameters, or null with code 28 stored and an error record.
    KyGenParameterArray *StreamParameters(const char *operation);
    int StreamFloat(const char *operation, const char *name, double divisor, double *value);
    KyGenParameterArray *Parameters();
    // Error record of the last result (with the feature name when given); returns its library code.
    int Fail(const char *operation, const char *file, int line, const char *feature = nullptr);
    // A getter or setter's end: the result stored, an error record or a success record.
    int Finish(const char *operation, const char *feature, const KyResult &result, const std::string &value,
               const char *file, int line);
    int Refuse(const char *operation, const char *feature, const char *file, int line);
    int TextOut(const char *operation, const char *feature, const std::string &value, char *text,
                unsigned int *length, const char *file, int line, bool logValue);
    void DescriptionLines(std::string &lines);
    // The features a settings file saves: visible at `visibility`, available, readable and
    // writable, of type integer, enumeration, boolean, string or float, in the order of the
    // parameter array; integers shown in hexadecimal are left out.
    std::vector<SettingsFeature> ChooseSettings(int visibility);
    // True for an integer feature shown in hexadecimal.
    bool IsHexInteger(const std::string &name);
    // A settings operation's end: success (last result cleared, call record) or failure.
    void CallRecord(const char *operation);
    int SettingsFailure(const char *operation, uint32_t code, const char *description, const char *file,
                        int line);
    // An import's file, read whole (ReadSettingsFile); BNK_OK, or the failure stored and logged.
    int ReadSettings(const char *operation, const char *path, std::string &text);

    struct DeviceFree
    {
        void operator()(KyDevice *device) const { KyDevice::Free(device); }
    };
    struct StreamFree
    {
        void operator()(KyStream *stream) const { KyStream::Free(stream); }
    };

    mutable std::mutex m_errorMutex;
    uint32_t m_errorCode = 0;
    std::string m_errorText;

    mutable std::mutex m_callMutex;
    std::condition_variable m_callsDone;
    int m_callsInFlight = 0;
    bool m_closing = false;

    std::unique_ptr<KyDevice, DeviceFree> m_device;
    std::shared_ptr<const KyDeviceInfo> m_deviceInfo;
    std::unique_ptr<KyStream, StreamFree> m_stream;
    std::unique_ptr<KyPipeline> m_pipeline;
    std::unique_ptr<KyAcquisitionStateManager> m_stateManager;
    std::mutex m_stateMutex;
    std::atomic<bool> m_detailedLog;
    std::atomic<uint32_t> m_grabTimeout{1000};
    std::atomic<uint32_t> m_bufferCount{16};
    std::string m_logPath;

    // Callback slots: written by the application's threads, read by the SDK's threads, all under
    // m_callbackMutex; a callback is called on a copy of its slot, without the lock held.
    template <class Function>
    struct Slot
    {
        Function function = nullptr;
        void *user = nullptr;
    };
    mutable std::mutex m_callbackMutex;
    std::array<Slot<GrabCallback>, 3> m_grabCallbacks{};
    std::array<Slot<EventCallback>, 10> m_eventCallbacks{};
    std::mutex m_logMutex;
};

}  // namespace ky::camctrl
