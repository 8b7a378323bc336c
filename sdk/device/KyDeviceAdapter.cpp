#include "ky/device/KyDeviceAdapter.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <vector>

#include "DeviceLog.h"
#include "ky/ByteOrder.h"
#include "ky/Guarded.h"
#include "ky/device/IKyDeviceEventSink.h"
#include "ky/device/KyDevice.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/genicam/KyGenBoolean.h"
#include "ky/genicam/KyGenEnum.h"
#include "ky/genicam/KyGenEnumEntry.h"
#include "ky/genicam/KyGenInteger.h"
#include "ky/genicam/KyGenParameter.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/genicam/KyGenRegister.h"
#include "ky/genicam/KyGenString.h"

struct KyDeviceAdapter::State
{
    std::mutex mutex;
    std::vector<IKyDeviceEventSink *> sinks;
    bool registeredWithDevice = false;
    // The parameters this adapter registered itself with, by address (owned by the device).
    std::set<KyGenParameter *> watched;
};

namespace {

KyResult NotConnected() { return KyResult(KY_NOT_CONNECTED, "the adapter has no device"); }

KyResult NotFound(const KyString &name, const char *kind)
{
    return KyResult(KY_NOT_FOUND, KyString("[" + std::string(name.GetAscii()) + "] is not " + kind));
}

KyResult NullBuffer() { return KyResult(KY_INVALID_PARAMETER, "null buffer with a non-zero length"); }

template <class T>
T *Typed(KyDevice *device, const KyString &name)
{
    if (!device) {
        return nullptr;
    }
    return dynamic_cast<T *>(device->GetParameters()->Get(name));
}

}  // namespace

KyDeviceAdapter::KyDeviceAdapter(KyDevice *aDevice) : mDevice(aDevice), mState(std::make_unique<State>()) { }

KyDeviceAdapter::~KyDeviceAdapter()
{
    std::set<KyGenParameter *> watched;
    bool registered = false;
    {
        std::lock_guard<std::mutex> lock(mState->mutex);
        watched.swap(mState->watched);
        registered = mState->registeredWithDevice;
        mState->registeredWithDevice = false;
        mState->sinks.clear();
    }
    for (KyGenParameter *parameter : watched) {
        (void)parameter->UnregisterEventSink(this);
    }
    if (registered && mDevice) {
        (void)mDevice->UnregisterEventSink(this);
    }
}

bool KyDeviceAdapter::IsGenIntegerInNodeMap(const KyString &aParameterName)
{
    return Typed<KyGenInteger>(mDevice, aParameterName) != nullptr;
}

bool KyDeviceAdapter::IsGenEnumInNodeMap(const KyString &aParameterName)
{
    return Typed<KyGenEnum>(mDevice, aParameterName) != nullptr;
}

bool KyDeviceAdapter::IsGenBooleanInNodeMap(const KyString &aParameterName)
{
    return Typed<KyGenBoolean>(mDevice, aParameterName) != nullptr;
}

bool KyDeviceAdapter::IsGenRegisterInNodeMap(const KyString &aParameterName)
{
    return Typed<KyGenRegister>(mDevice, aParameterName) != nullptr;
}

bool KyDeviceAdapter::IsGenReadable(const KyString &aParameterName)
{
    KyGenParameter *parameter = Typed<KyGenParameter>(mDevice, aParameterName);
    bool readable = false;
    return parameter && parameter->IsReadable(readable).IsOK() && readable;
}

bool KyDeviceAdapter::IsGenWritable(const KyString &aParameterName)
{
    KyGenParameter *parameter = Typed<KyGenParameter>(mDevice, aParameterName);
    bool writable = false;
    return parameter && parameter->IsWritable(writable).IsOK() && writable;
}

bool KyDeviceAdapter::IsGenEnumEntryAvailable(const KyString &aParameterName, const KyString &aEnumEntry)
{
    KyGenEnum *enumeration = Typed<KyGenEnum>(mDevice, aParameterName);
    const KyGenEnumEntry *entry = nullptr;
    if (!enumeration || enumeration->GetEntryByName(aEnumEntry, &entry).IsFailure() || !entry) {
        return false;
    }
    bool available = false;
    return entry->IsAvailable(available).IsOK() && available;
}

KyResult KyDeviceAdapter::GetGenIntegerValue(const KyString &aParameterName, int64_t &aValue)
{
    if (!mDevice) {
        return NotConnected();
    }
    KyGenInteger *integer = Typed<KyGenInteger>(mDevice, aParameterName);
    return integer ? integer->GetValue(aValue) : NotFound(aParameterName, "an integer feature");
}

KyResult KyDeviceAdapter::GetGenEnumEntriesAvailable(const KyString &aParameterName, KyStringList &aList)
{
    aList.clear();
    if (!mDevice) {
        return NotConnected();
    }
    KyGenEnum *enumeration = Typed<KyGenEnum>(mDevice, aParameterName);
    if (!enumeration) {
        return NotFound(aParameterName, "an enumeration feature");
    }
    int64_t count = 0;
    KyResult result = enumeration->GetEntriesCount(count);
    for (int64_t i = 0; result.IsOK() && i < count; ++i) {
        const KyGenEnumEntry *entry = nullptr;
        result = enumeration->GetEntryByIndex(i, &entry);
        bool available = false;
        if (result.IsOK() && entry && entry->IsAvailable(available).IsOK() && available) {
            KyString name;
            result = entry->GetName(name);
            if (result.IsOK()) {
                aList.push_back(name);
            }
        }
    }
    return result;
}

KyResult KyDeviceAdapter::GetGenEnumValue(const KyString &aParameterName, KyString &aEnumEntry)
{
    if (!mDevice) {
        return NotConnected();
    }
    KyGenEnum *enumeration = Typed<KyGenEnum>(mDevice, aParameterName);
    return enumeration ? enumeration->GetValue(aEnumEntry)
                       : NotFound(aParameterName, "an enumeration feature");
}

KyResult KyDeviceAdapter::SetGenEnumValue(const KyString &aParameterName, const KyString &aEnumEntry)
{
    if (!mDevice) {
        return NotConnected();
    }
    KyGenEnum *enumeration = Typed<KyGenEnum>(mDevice, aParameterName);
    return enumeration ? enumeration->SetValue(aEnumEntry)
                       : NotFound(aParameterName, "an enumeration feature");
}

KyResult KyDeviceAdapter::GetGenBooleanValue(const KyString &aParameterName, bool &aValue)
{
    if (!mDevice) {
        return NotConnected();
    }
    KyGenBoolean *boolean = Typed<KyGenBoolean>(mDevice, aParameterName);
    return boolean ? boolean->GetValue(aValue) : NotFound(aParameterName, "a boolean feature");
}

KyResult KyDeviceAdapter::SetGenBooleanValue(const KyString &aParameterName, bool aValue)
{
    if (!mDevice) {
        return NotConnected();
    }
    KyGenBoolean *boolean = Typed<KyGenBoolean>(mDevice, aParameterName);
    return boolean ? boolean->SetValue(aValue) : NotFound(aParameterName, "a boolean feature");
}

KyResult KyDeviceAdapter::GetGenStringValue(const KyString &aParameterName, KyString &aValue)
{
    if (!mDevice) {
        return NotConnected();
    }
    KyGenString *text = Typed<KyGenString>(mDevice, aParameterName);
    return text ? text->GetValue(aValue) : NotFound(aParameterName, "a string feature");
}

KyResult KyDeviceAdapter::GetGenRegisterLength(const KyString &aParameterName, int64_t &aLength)
{
    if (!mDevice) {
        return NotConnected();
    }
    KyGenRegister *reg = Typed<KyGenRegister>(mDevice, aParameterName);
    return reg ? reg->GetLength(aLength) : NotFound(aParameterName, "a register feature");
}

KyResult KyDeviceAdapter::GetGenRegisterData(const KyString &aParameterName, uint8_t *aDataBuffer,
                                             int64_t aByteCount)
{
    if (!mDevice) {
        return NotConnected();
    }
    if (!aDataBuffer && aByteCount != 0) {
        return NullBuffer();
    }
    KyGenRegister *reg = Typed<KyGenRegister>(mDevice, aParameterName);
    return reg ? reg->Get(aDataBuffer, aByteCount) : NotFound(aParameterName, "a register feature");
}

KyResult KyDeviceAdapter::SetGenRegisterData(const KyString &aParameterName, const uint8_t *aDataBuffer,
                                             int64_t aByteCount)
{
    if (!mDevice) {
        return NotConnected();
    }
    if (!aDataBuffer && aByteCount != 0) {
        return NullBuffer();
    }
    KyGenRegister *reg = Typed<KyGenRegister>(mDevice, aParameterName);
    return reg ? reg->Set(aDataBuffer, aByteCount) : NotFound(aParameterName, "a register feature");
}

KyResult KyDeviceAdapter::RegisterGenInvalidator(const KyString &aParameterName)
{
    if (!mDevice) {
        return NotConnected();
    }
    KyGenParameter *parameter = Typed<KyGenParameter>(mDevice, aParameterName);
    if (!parameter) {
        return NotFound(aParameterName, "a feature of the device");
    }
    std::lock_guard<std::mutex> lock(mState->mutex);
    if (mState->watched.count(parameter) != 0) {
        return KyResult(KY_OK);
    }
    KyResult result = parameter->RegisterEventSink(this);
    if (result.IsOK()) {
        mState->watched.insert(parameter);
    }
    return result;
}

KyResult KyDeviceAdapter::UnregisterGenInvalidator(const KyString &aParameterName)
{
    if (!mDevice) {
        return NotConnected();
    }
    KyGenParameter *parameter = Typed<KyGenParameter>(mDevice, aParameterName);
    if (!parameter) {
        return NotFound(aParameterName, "a feature of the device");
    }
    {
        std::lock_guard<std::mutex> lock(mState->mutex);
        if (mState->watched.erase(parameter) == 0) {
            return NotFound(aParameterName, "watched by this adapter");
        }
    }
    return parameter->UnregisterEventSink(this);
}

KyResult KyDeviceAdapter::WriteRegister(int64_t aAddress, uint32_t aValue)
{
    if (!mDevice) {
        return NotConnected();
    }
    if (auto *gev = dynamic_cast<KyDeviceGEV *>(mDevice)) {
        return gev->WriteRegister(aAddress, aValue);
    }
    uint8_t bytes[4];
    ky::base::StoreLittle32(bytes, aValue);
    return mDevice->WriteMemory(aAddress, bytes, sizeof(bytes));
}

KyResult KyDeviceAdapter::ReadRegister(int64_t aAddress, uint32_t &aValue)
{
    aValue = 0;
    if (!mDevice) {
        return NotConnected();
    }
    if (auto *gev = dynamic_cast<KyDeviceGEV *>(mDevice)) {
        return gev->ReadRegister(aAddress, aValue);
    }
    uint8_t bytes[4] = {};
    KyResult result = mDevice->ReadMemory(aAddress, bytes, sizeof(bytes));
    if (result.IsOK()) {
        aValue = ky::base::LoadLittle32(bytes);
    }
    return result;
}

KyResult KyDeviceAdapter::WriteMemory(const uint8_t *aBuffer, int64_t aAddress, int64_t aLength)
{
    if (!mDevice) {
        return NotConnected();
    }
    if (!aBuffer && aLength != 0) {
        return NullBuffer();
    }
    return mDevice->WriteMemory(aAddress, aBuffer, aLength);
}

KyResult KyDeviceAdapter::ReadMemory(uint8_t *aBuffer, int64_t aAddress, int64_t aLength)
{
    if (!mDevice) {
        return NotConnected();
    }
    if (!aBuffer && aLength != 0) {
        return NullBuffer();
    }
    return mDevice->ReadMemory(aAddress, aBuffer, aLength);
}

KyResult KyDeviceAdapter::WaitForMessagingChannelIdle(uint32_t aTimeout)
{
    return mDevice ? mDevice->WaitForMessagingChannelIdle(aTimeout) : NotConnected();
}

bool KyDeviceAdapter::IsConnected() { return mDevice && mDevice->IsConnected(); }

bool KyDeviceAdapter::IsTesmarPowered() { return mDevice && mDevice->IsTesmarPowered(); }

bool KyDeviceAdapter::IsGigEVision() { return mDevice && mDevice->GetType() == KyDeviceTypeGEV; }

bool KyDeviceAdapter::IsUSB3Vision() { return mDevice && mDevice->GetType() == KyDeviceTypeU3V; }

KyResult KyDeviceAdapter::RegisterEventSink(IKyDeviceEventSink *aEventSink)
{
    if (!mDevice) {
        return NotConnected();
    }
    if (!aEventSink) {
        return KyResult(KY_INVALID_PARAMETER, "null event sink");
    }
    bool registerWithDevice = false;
    {
        std::lock_guard<std::mutex> lock(mState->mutex);
        auto &sinks = mState->sinks;
        if (std::find(sinks.begin(), sinks.end(), aEventSink) != sinks.end()) {
            return KyResult(KY_INVALID_PARAMETER, "the event sink is registered already");
        }
        sinks.push_back(aEventSink);
        registerWithDevice = !mState->registeredWithDevice;
        mState->registeredWithDevice = true;
    }
    if (registerWithDevice) {
        KyResult result = mDevice->RegisterEventSink(this);
        if (result.IsFailure()) {
            std::lock_guard<std::mutex> lock(mState->mutex);
            mState->registeredWithDevice = false;
            auto &sinks = mState->sinks;
            sinks.erase(std::remove(sinks.begin(), sinks.end(), aEventSink), sinks.end());
            return result;
        }
    }
    return KyResult(KY_OK);
}

KyResult KyDeviceAdapter::UnregisterEventSink(IKyDeviceEventSink *aEventSink)
{
    if (!mDevice) {
        return NotConnected();
    }
    std::lock_guard<std::mutex> lock(mState->mutex);
    auto &sinks = mState->sinks;
    auto found = std::find(sinks.begin(), sinks.end(), aEventSink);
    if (found == sinks.end()) {
        return KyResult(KY_NOT_FOUND, "the event sink is not registered");
    }
    sinks.erase(found);
    return KyResult(KY_OK);
}

KyResult KyDeviceAdapter::GetUniqueID(KyString &aID)
{
    return mDevice ? mDevice->GetUniqueID(aID) : NotConnected();
}

void KyDeviceAdapter::OnLinkDisconnected(KyDevice *)
{
    std::vector<IKyDeviceEventSink *> sinks;
    {
        std::lock_guard<std::mutex> lock(mState->mutex);
        sinks = mState->sinks;
    }
    for (IKyDeviceEventSink *sink : sinks) {
        ky::base::Guarded(&ky::device::DeviceLog(), "OnLinkDisconnected",
                          [&] { sink->OnLinkDisconnected(this); });
    }
}

void KyDeviceAdapter::OnEvent(KyDevice *, uint16_t aEventID, uint16_t aChannel, uint64_t aBlockID,
                              uint64_t aTimestamp, const void *aData, uint32_t aDataLength)
{
    std::vector<IKyDeviceEventSink *> sinks;
    {
        std::lock_guard<std::mutex> lock(mState->mutex);
        sinks = mState->sinks;
    }
    for (IKyDeviceEventSink *sink : sinks) {
        ky::base::Guarded(&ky::device::DeviceLog(), "OnEvent", [&] {
            sink->OnEvent(this, aEventID, aChannel, aBlockID, aTimestamp, aData, aDataLength);
        });
    }
}

void KyDeviceAdapter::OnParameterUpdate(KyGenParameter *aParameter)
{
    KyString name;
    if (!aParameter || aParameter->GetName(name).IsFailure()) {
        return;
    }
    std::vector<IKyDeviceEventSink *> sinks;
    {
        std::lock_guard<std::mutex> lock(mState->mutex);
        sinks = mState->sinks;
    }
    for (IKyDeviceEventSink *sink : sinks) {
        ky::base::Guarded(&ky::device::DeviceLog(), "OnParameterUpdate",
                          [&] { sink->OnParameterUpdate(this, name); });
    }
}
