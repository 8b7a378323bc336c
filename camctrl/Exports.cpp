// The ST_ functions: each checks the system object, finds the camera of a handle and hands the
// call on, inside the one exception barrier.
#include <climits>
#include <memory>
#include <mutex>

#include "ApiBarrier.h"
#include "ColorConversion.h"
#include "ResultCodes.h"
#include "System.h"
#include "ky/camctrl/bnkCamCtrl.h"

using ky::camctrl::Barrier;
using ky::camctrl::Device;
using ky::camctrl::DeviceCall;
using ky::camctrl::System;

namespace {

// The process-wide system object. Every call holds a reference to it for its length, so that a
// system freed meanwhile is deleted only once the last call on it has returned.
std::mutex g_systemMutex;
std::shared_ptr<System> g_system;

std::shared_ptr<System> CurrentSystem()
{
    std::lock_guard<std::mutex> lock(g_systemMutex);
    return g_system;
}

void StoreNowhere(uint32_t, const char *) { }

// A call on the system object.
template <class Body>
int OnSystem(Body &&body) noexcept
{
    return Barrier(
        [&]() -> int {
            const std::shared_ptr<System> system = CurrentSystem();
            if (!system)
                return BNK_ERR_NO_SYSTEM;
            return body(*system);
        },
        StoreNowhere);
}

// A call on the camera of a handle, counted as in flight for its length (a close waits for it);
// an unexpected failure becomes the camera's last error.
template <class Body>
int OnDevice(int handle, Body &&body) noexcept
{
    DeviceCall device;
    return Barrier(
        [&]() -> int {
            const std::shared_ptr<System> system = CurrentSystem();
            if (!system)
                return BNK_ERR_NO_SYSTEM;
            device = system->EnterDevice(handle);
            if (!device)
                return BNK_ERR_NO_DEVICE;
            return body(*device);
        },
        [&device](uint32_t code, const char *text) {
            if (device)
                device->SetResult(code, text);
        });
}

// A null out-pointer on a camera: refused, and said in its last error.
int RefuseNull(Device &device)
{
    return device.SetResult(KY_INVALID_PARAMETER, ky::camctrl::INVALID_PARAMETER_TEXT);
}

}  // namespace

extern "C" {

int ST_InitSystem(void) noexcept
{
    return Barrier(
        []() -> int {
            std::lock_guard<std::mutex> lock(g_systemMutex);
            if (g_system)
                return BNK_OK;
            auto system = std::make_shared<System>();
            const int result = system->InitSystem();
            g_system = std::move(system);
            return result;
        },
        StoreNowhere);
}

int ST_FreeSystem(void) noexcept
{
    return OnSystem([](System &system) -> int {
        const int result = system.FreeSystem();
        if (result != BNK_OK)
            return result;
        // Deleted when the last call still holding it returns.
        std::lock_guard<std::mutex> lock(g_systemMutex);
        if (g_system.get() == &system)
            g_system.reset();
        return BNK_OK;
    });
}

int ST_IsInitSystem(bool *initialised) noexcept
{
    if (!initialised)
        return BNK_ERR_INVALID_PARAMETER;
    *initialised = false;
    return OnSystem([initialised](System &system) -> int {
        *initialised = system.IsInitialised();
        return BNK_OK;
    });
}

int ST_GetAvailableCameraNum(unsigned int *count) noexcept
{
    if (!count)
        return CurrentSystem() ? BNK_ERR_INVALID_PARAMETER : BNK_ERR_NO_SYSTEM;
    return OnSystem([count](System &system) { return system.GetAvailableCameraNum(count); });
}

int ST_UpdateDevice(void) noexcept
{
    return OnSystem([](System &system) -> int { return system.UpdateDevice(); });
}

int ST_GetEnumDeviceID(unsigned int index, char *text, unsigned int *length) noexcept
{
    return OnSystem([&](System &system) -> int {
        return length ? system.GetEnumDeviceID(index, text, length) : BNK_ERR_INVALID_PARAMETER;
    });
}

int ST_GetEnumDeviceInfo(unsigned int index, int infoType, char *text, unsigned int *length) noexcept
{
    return OnSystem([&](System &system) -> int {
        return length ? system.GetEnumDeviceInfo(index, infoType, text, length) : BNK_ERR_INVALID_PARAMETER;
    });
}

int ST_OpenDevice(unsigned int index, int *handle, bool log) noexcept
{
    return OnSystem([&](System &system) -> int {
        return handle ? system.OpenDevice(index, handle, log) : BNK_ERR_INVALID_PARAMETER;
    });
}

int ST_IsOpenDevice(int handle, bool *open) noexcept
{
    return OnSystem([&](System &system) -> int {
        const DeviceCall device = system.EnterDevice(handle);
        if (!open)
            return device ? RefuseNull(*device) : BNK_ERR_INVALID_PARAMETER;
        if (!device) {
            *open = false;
            return BNK_OK;
        }
        return device->IsOpenDevice(open);
    });
}

int ST_CloseDevice(int handle) noexcept
{
    return OnSystem([handle](System &system) { return system.CloseDevice(handle); });
}

int ST_GetInterface(unsigned int handle, char *text, unsigned int *length) noexcept
{
    const int asInt = handle > static_cast<unsigned int>(INT_MAX) ? -1 : static_cast<int>(handle);
    return OnDevice(asInt, [&](Device &device) {
        return length ? device.GetInterface(text, length) : RefuseNull(device);
    });
}

int ST_GetLastError(int handle) noexcept
{
    return OnSystem([handle](System &system) { return system.GetLastError(handle); });
}

const char *ST_GetLastErrorDescription(int handle) noexcept
{
    try {
        const std::shared_ptr<System> system = CurrentSystem();
        return system ? system->GetLastErrorDescription(handle) : ky::camctrl::NO_SYSTEM_TEXT;
    } catch (...) {
        return "Unexpected failure.";
    }
}

int ST_SetDetailedLog(int handle, bool on) noexcept
{
    return OnDevice(handle, [on](Device &device) { return device.SetDetailedLog(on); });
}

int ST_GetDetailedLog(int handle, bool *on) noexcept
{
    return OnDevice(handle,
                    [on](Device &device) { return on ? device.GetDetailedLog(on) : RefuseNull(device); });
}

int ST_SetIntReg(int handle, const char *name, int64_t value) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.SetIntReg(name, value); });
}

int ST_GetIntReg(int handle, const char *name, int64_t *value) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.GetIntReg(name, value); });
}

int ST_SetFloatReg(int handle, const char *name, double value) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.SetFloatReg(name, value); });
}

int ST_GetFloatReg(int handle, const char *name, double *value) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.GetFloatReg(name, value); });
}

int ST_SetBoolReg(int handle, const char *name, bool value) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.SetBoolReg(name, value); });
}

int ST_GetBoolReg(int handle, const char *name, bool *value) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.GetBoolReg(name, value); });
}

int ST_SetEnumReg(int handle, const char *name, char *value) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.SetEnumReg(name, value); });
}

int ST_GetEnumReg(int handle, const char *name, char *text, unsigned int *length) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.GetEnumReg(name, text, length); });
}

int ST_SetStrReg(int handle, const char *name, char *value) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.SetStrReg(name, value); });
}

int ST_GetStrReg(int handle, const char *name, char *text, unsigned int *length) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.GetStrReg(name, text, length); });
}

int ST_SetCmdReg(int handle, const char *name) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.SetCmdReg(name); });
}

int ST_GetIntRegRange(int handle, const char *name, int64_t *min, int64_t *max, int64_t *increment) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.GetIntRegRange(name, min, max, increment); });
}

int ST_GetFloatRegRange(int handle, const char *name, double *min, double *max) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.GetFloatRegRange(name, min, max); });
}

int ST_GetEnumEntrySize(int handle, const char *name, int *count) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.GetEnumEntrySize(name, count); });
}

int ST_GetEnumEntryIntValue(int handle, const char *name, int index, int *value) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.GetEnumEntryIntValue(name, index, value); });
}

int ST_GetEnumEntryValue(int handle, const char *name, int index, char *text, unsigned int *length) noexcept
{
    return OnDevice(handle,
                    [&](Device &device) { return device.GetEnumEntryValue(name, index, text, length); });
}

int ST_ReadParam(int handle, unsigned char *data, int64_t address, int64_t length) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.ReadParam(data, address, length); });
}

int ST_WriteParam(int handle, const unsigned char *data, int64_t address, int64_t length) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.WriteParam(data, address, length); });
}

int ST_CvtColor(struct _bnkBuffer source, struct _bnkBuffer *destination, int code) noexcept
{
    return OnSystem([&](System &) -> int {
        if (!destination)
            return BNK_ERR_INVALID_PARAMETER;
        return ky::camctrl::CvtColor(source, *destination, code);
    });
}

int ST_FreeBuffer(struct _bnkBuffer *image) noexcept
{
    return OnSystem([image](System &) -> int {
        if (!image)
            return BNK_ERR_INVALID_PARAMETER;
        ky::camctrl::FreeBuffer(*image);
        return BNK_OK;
    });
}

int ST_ImportXML(int handle, const char *path) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.ImportXML(path); });
}

int ST_ExportXML(int handle, const char *path, int format, int visibility) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.ExportXML(path, format, visibility); });
}

int ST_ImportJson(int handle, const char *path) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.ImportJson(path); });
}

int ST_ExportJson(int handle, const char *path, int visibility) noexcept
{
    return OnDevice(handle, [&](Device &device) { return device.ExportJson(path, visibility); });
}

int ST_AcqStart(int handle) noexcept
{
    return OnDevice(handle, [](Device &device) { return device.AcqStart(); });
}

int ST_AcqStop(int handle) noexcept
{
    return OnDevice(handle, [](Device &device) { return device.AcqStop(); });
}

int ST_DoAbortGrab(int handle) noexcept
{
    return OnDevice(handle, [](Device &device) { return device.DoAbortGrab(); });
}

int ST_SetGrabTimeout(int handle, unsigned int milliseconds) noexcept
{
    return OnDevice(handle, [milliseconds](Device &device) { return device.SetGrabTimeout(milliseconds); });
}

int ST_GetGrabTimeout(int handle, unsigned int *milliseconds) noexcept
{
    return OnDevice(handle, [milliseconds](Device &device) { return device.GetGrabTimeout(milliseconds); });
}

int ST_SetBufferCount(int handle, unsigned int count) noexcept
{
    return OnDevice(handle, [count](Device &device) { return device.SetBufferCount(count); });
}

int ST_GetBufferCount(int handle, unsigned int *count) noexcept
{
    return OnDevice(handle, [count](Device &device) { return device.GetBufferCount(count); });
}

int ST_InitBuffer(int handle, struct _bnkBuffer *image, int bytesPerPixel) noexcept
{
    return OnDevice(
        handle, [image, bytesPerPixel](Device &device) { return device.InitBuffer(image, bytesPerPixel); });
}

int ST_GrabImage(int handle, struct _bnkBuffer *image) noexcept
{
    return OnDevice(handle, [image](Device &device) { return device.GrabImage(image); });
}

int ST_SingleGrabImage(int handle, struct _bnkBuffer *image) noexcept
{
    return OnDevice(handle, [image](Device &device) { return device.SingleGrabImage(image); });
}

int ST_GetImageAvailable(int handle, unsigned int *available) noexcept
{
    return OnSystem([&](System &system) -> int {
        const DeviceCall device = system.EnterDevice(handle);
        if (!device) {
            // A handle not in use has no image waiting: 0, and the answer is 0.
            if (!available)
                return BNK_ERR_INVALID_PARAMETER;
            *available = 0;
            return BNK_OK;
        }
        return device->GetImageAvailable(available);
    });
}

int ST_GetGrabCount(int handle, uint64_t *blocks, uint64_t *errors) noexcept
{
    return OnDevice(handle, [blocks, errors](Device &device) { return device.GetGrabCount(blocks, errors); });
}

int ST_GetFrameRate(int handle, double *rate) noexcept
{
    return OnDevice(handle, [rate](Device &device) { return device.GetFrameRate(rate); });
}

int ST_GetBandwidth(int handle, double *mbps) noexcept
{
    return OnDevice(handle, [mbps](Device &device) { return device.GetBandwidth(mbps); });
}

int ST_RegisterGrabCallback(int handle, int type, GrabCallback callback, void *user) noexcept
{
    return OnDevice(handle,
                    [&](Device &device) { return device.RegisterGrabCallback(type, callback, user); });
}

int ST_UnregisterGrabCallback(int handle, int type) noexcept
{
    return OnDevice(handle, [type](Device &device) { return device.UnregisterGrabCallback(type); });
}

int ST_RegisterEventCallback(int handle, int eventId, EventCallback callback, void *user) noexcept
{
    return OnDevice(handle,
                    [&](Device &device) { return device.RegisterEventCallback(eventId, callback, user); });
}

int ST_UnregisterEventCallback(int handle, int eventId) noexcept
{
    return OnDevice(handle, [eventId](Device &device) { return device.UnregisterEventCallback(eventId); });
}

}  // extern "C"
