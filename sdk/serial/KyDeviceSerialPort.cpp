#include "ky/serial/KyDeviceSerialPort.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "SerialEchoSinks.h"
#include "ky/base/KyBaseExport.h"
#include "ky/device/IKyDeviceAdapter.h"
#include "ky/device/KySerialRegisters.h"
#include "ky/serial/KyDeviceSerialPortEchoSink.h"

using namespace ky::serial;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t kDefaultRxBufferSize = 65536;
// How long a Write puts on the line between two looks at the receive side.
constexpr uint32_t kChunkMilliseconds = 20;

uint32_t Padded(uint32_t count) { return (count + 3u) & ~3u; }

KyResult Closed() { return KyResult(KY_STATE_ERROR, "the serial port is not open"); }

}  // namespace

struct KY_LOCAL KyDeviceSerialPort::State
{
    // Guards the adapter and the open flag; taken for every exchange with the device, so that
    // the steps of one transfer (count, take, window) are not interleaved.
    std::mutex link;
    IKyDeviceAdapter *adapter = nullptr;
    std::atomic<bool> open{false};

    std::mutex rxMutex;
    std::deque<uint8_t> rx;
    uint32_t rxCapacity = kDefaultRxBufferSize;

    std::atomic<uint32_t> progressWritten{0};
    std::atomic<uint32_t> progressTotal{0};
    std::atomic<uint64_t> sent{0};
    std::atomic<uint64_t> received{0};
    // The device dropped received bytes (its receive FIFO overflowed) since the last Read said so.
    std::atomic<bool> overflowed{false};

    // What a Read answers: an overflow not yet told comes first.
    KyResult ReadResult(KyResult result);

    // Moves what waits in the device into the receive buffer, as far as it has room (with drop
    // set, reads it and drops it). Called with the link lock held.
    KyResult Pump(bool drop, std::vector<uint8_t> &bytes);
};

namespace {

void EchoReceived(KyDeviceSerialPort *port, const std::vector<uint8_t> &bytes)
{
    if (!bytes.empty()) {
        ForEachEchoSink("OnDataReceived", [&](KyDeviceSerialPortEchoSink &sink) {
            sink.OnDataReceived(port, bytes.data(), static_cast<uint32_t>(bytes.size()));
        });
    }
}

}  // namespace

KyResult KyDeviceSerialPort::State::Pump(bool drop, std::vector<uint8_t> &bytes)
{
    bytes.clear();
    State &state = *this;
    for (;;) {
        uint32_t status = 0;
        KyResult result = adapter->ReadRegister(SERIAL_STATUS_OFFSET, status);
        if (result.IsFailure()) {
            return result;
        }
        if (!drop && (status & SERIAL_STATUS_RX_OVERFLOW) != 0)
            overflowed = true;  // the bit clears as it is read: kept until a Read tells it
        uint32_t waiting = status >> SERIAL_STATUS_RX_COUNT_SHIFT;
        uint32_t room = SERIAL_WINDOW_SIZE;
        if (!drop) {
            std::lock_guard<std::mutex> lock(state.rxMutex);
            room = state.rx.size() < state.rxCapacity
                       ? static_cast<uint32_t>(state.rxCapacity - state.rx.size())
                       : 0;
        }
        const uint32_t take = std::min({waiting, room, SERIAL_WINDOW_SIZE});
        if (take == 0) {
            return KyResult(KY_OK);
        }
        result = adapter->WriteRegister(SERIAL_RX_TAKE_OFFSET, take);
        uint32_t taken = 0;
        if (result.IsOK()) {
            result = adapter->ReadRegister(SERIAL_RX_TAKEN_OFFSET, taken);
        }
        taken = std::min(taken, take);
        uint8_t window[SERIAL_WINDOW_SIZE];
        if (result.IsOK() && taken > 0) {
            result = adapter->ReadMemory(window, SERIAL_RX_WINDOW_OFFSET, Padded(taken));
        }
        if (result.IsFailure()) {
            return result;
        }
        if (!drop && taken > 0) {
            {
                std::lock_guard<std::mutex> lock(state.rxMutex);
                state.rx.insert(state.rx.end(), window, window + taken);
            }
            state.received += taken;
            bytes.insert(bytes.end(), window, window + taken);
        }
        if (taken < take) {
            return KyResult(KY_OK);
        }
    }
}

KyResult KyDeviceSerialPort::State::ReadResult(KyResult result)
{
    const bool told = result.GetCode() == KY_OK || result.GetCode() == KY_TIMEOUT;
    if (told && overflowed.exchange(false))
        return KyResult(KY_ERR_OVERFLOW, "received bytes were dropped: the device's receive FIFO overflowed "
                                         "while the receive buffer was full");
    return result;
}

KyDeviceSerialPort::KyDeviceSerialPort() : mState(std::make_unique<State>()) { }

KyDeviceSerialPort::~KyDeviceSerialPort() { (void)Close(); }

bool KyDeviceSerialPort::IsSupported(IKyDeviceAdapter *aDevice, KyDeviceSerial aPort)
{
    if (!aDevice || aPort != KyDeviceSerial0 || !aDevice->IsConnected()) {
        return false;
    }
    uint32_t rate = 0;
    return aDevice->ReadRegister(SERIAL_BAUD_RATE_OFFSET, rate).IsOK() && rate >= SERIAL_BAUD_RATE_MIN &&
           rate <= SERIAL_BAUD_RATE_MAX;
}

KyResult KyDeviceSerialPort::Open(IKyDeviceAdapter *aDevice, KyDeviceSerial aPort)
{
    if (!aDevice) {
        return KyResult(KY_INVALID_PARAMETER, "null device");
    }
    if (!aDevice->IsConnected()) {
        return KyResult(KY_NOT_CONNECTED, "the device is not connected");
    }
    std::lock_guard<std::mutex> link(mState->link);
    if (mState->open) {
        return KyResult(KY_STATE_ERROR, "the serial port is open already");
    }
    if (!IsSupported(aDevice, aPort)) {
        return KyResult(KY_NOT_SUPPORTED, "the device has no such serial port");
    }
    mState->adapter = aDevice;
    std::vector<uint8_t> unused;
    KyResult result = mState->Pump(true, unused);
    if (result.IsFailure()) {
        mState->adapter = nullptr;
        return result;
    }
    {
        std::lock_guard<std::mutex> lock(mState->rxMutex);
        mState->rx.clear();
    }
    mState->overflowed = false;
    mState->open = true;
    return KyResult(KY_OK);
}

KyResult KyDeviceSerialPort::Close()
{
    std::lock_guard<std::mutex> link(mState->link);
    mState->open = false;
    mState->adapter = nullptr;
    std::lock_guard<std::mutex> lock(mState->rxMutex);
    mState->rx.clear();
    return KyResult(KY_OK);
}

bool KyDeviceSerialPort::IsOpened() { return mState->open; }

KyResult KyDeviceSerialPort::Write(const uint8_t *aBuffer, uint32_t aSize, uint32_t &aBytesWritten)
{
    aBytesWritten = 0;
    if (!aBuffer && aSize != 0) {
        return KyResult(KY_INVALID_PARAMETER, "null buffer with a non-zero size");
    }
    uint32_t rate = 0;
    {
        std::lock_guard<std::mutex> link(mState->link);
        if (!mState->open) {
            return Closed();
        }
        KyResult result = mState->adapter->ReadRegister(SERIAL_BAUD_RATE_OFFSET, rate);
        if (result.IsFailure()) {
            return result;
        }
    }
    rate = std::clamp(rate, SERIAL_BAUD_RATE_MIN, SERIAL_BAUD_RATE_MAX);
    const uint32_t bytesPerSecond = rate / SERIAL_BITS_PER_BYTE;
    const uint32_t chunk =
        std::clamp<uint32_t>(bytesPerSecond * kChunkMilliseconds / 1000, 1, SERIAL_WINDOW_SIZE);
    mState->progressWritten = 0;
    mState->progressTotal = aSize;
    const Clock::time_point start = Clock::now();
    KyResult result(KY_OK);
    std::vector<uint8_t> received;
    while (aBytesWritten < aSize) {
        const uint32_t count = std::min(chunk, aSize - aBytesWritten);
        {
            std::lock_guard<std::mutex> link(mState->link);
            if (!mState->open) {
                result = Closed();
                break;
            }
            uint8_t window[SERIAL_WINDOW_SIZE] = {};
            std::copy(aBuffer + aBytesWritten, aBuffer + aBytesWritten + count, window);
            result = mState->adapter->WriteMemory(window, SERIAL_TX_WINDOW_OFFSET, Padded(count));
            if (result.IsOK()) {
                result = mState->adapter->WriteRegister(SERIAL_TX_COUNT_OFFSET, count);
            }
        }
        if (result.IsFailure()) {
            break;
        }
        ForEachEchoSink("OnDataSent", [&](KyDeviceSerialPortEchoSink &sink) {
            sink.OnDataSent(this, aBuffer + aBytesWritten, count);
        });
        aBytesWritten += count;
        mState->sent += count;
        // The bytes are on the line until the rate has carried them.
        const auto lineTime = std::chrono::microseconds(uint64_t{aBytesWritten} * 1000000u / bytesPerSecond);
        std::this_thread::sleep_until(start + lineTime);
        mState->progressWritten = aBytesWritten;
        {
            std::lock_guard<std::mutex> link(mState->link);
            if (mState->open) {
                (void)mState->Pump(false, received);
            }
        }
        EchoReceived(this, received);
    }
    return result;
}

KyResult KyDeviceSerialPort::GetWriteProgress(uint32_t &aWritten, uint32_t &aSize)
{
    aSize = mState->progressTotal;
    aWritten = mState->progressWritten;
    return KyResult(KY_OK);
}

KyResult KyDeviceSerialPort::Read(uint8_t *aBuffer, uint32_t aBufferSize, uint32_t &aBytesRead,
                                  uint32_t aTimeout)
{
    aBytesRead = 0;
    if (!aBuffer && aBufferSize != 0) {
        return KyResult(KY_INVALID_PARAMETER, "null buffer with a non-zero size");
    }
    if (!mState->open) {
        return Closed();
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(aTimeout);
    std::vector<uint8_t> received;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mState->rxMutex);
            const auto count =
                static_cast<uint32_t>(std::min<size_t>(mState->rx.size(), aBufferSize - aBytesRead));
            std::copy(mState->rx.begin(), mState->rx.begin() + count, aBuffer + aBytesRead);
            mState->rx.erase(mState->rx.begin(), mState->rx.begin() + count);
            aBytesRead += count;
        }
        if (aBytesRead == aBufferSize) {
            return mState->ReadResult(KyResult(KY_OK));
        }
        KyResult result(KY_OK);
        {
            std::lock_guard<std::mutex> link(mState->link);
            if (!mState->open) {
                return Closed();
            }
            result = mState->Pump(false, received);
        }
        EchoReceived(this, received);
        if (result.IsFailure()) {
            return result;
        }
        if (received.empty()) {
            if (Clock::now() >= deadline) {
                return mState->ReadResult(KyResult(KY_TIMEOUT, "fewer bytes than asked for arrived in time"));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
}

KyResult KyDeviceSerialPort::NotifyReadComplete()
{
    ForEachEchoSink("OnReadComplete", [&](KyDeviceSerialPortEchoSink &sink) { sink.OnReadComplete(this); });
    return KyResult(KY_OK);
}

KyResult KyDeviceSerialPort::FlushRxBuffer()
{
    std::lock_guard<std::mutex> link(mState->link);
    if (!mState->open) {
        return Closed();
    }
    {
        std::lock_guard<std::mutex> lock(mState->rxMutex);
        mState->rx.clear();
    }
    mState->overflowed = false;  // what was dropped would have been flushed now
    std::vector<uint8_t> unused;
    return mState->Pump(true, unused);
}

KyResult KyDeviceSerialPort::GetRxBytesReady(uint32_t &aBytes)
{
    aBytes = 0;
    std::vector<uint8_t> received;
    KyResult result(KY_OK);
    {
        std::lock_guard<std::mutex> link(mState->link);
        if (!mState->open) {
            return Closed();
        }
        result = mState->Pump(false, received);
    }
    EchoReceived(this, received);
    std::lock_guard<std::mutex> lock(mState->rxMutex);
    aBytes = static_cast<uint32_t>(mState->rx.size());
    return result;
}

KyResult KyDeviceSerialPort::GetRxBufferSize(uint32_t &aSize)
{
    std::lock_guard<std::mutex> lock(mState->rxMutex);
    aSize = mState->rxCapacity;
    return KyResult(KY_OK);
}

KyResult KyDeviceSerialPort::SetRxBufferSize(uint32_t aSize)
{
    if (aSize == 0) {
        return KyResult(KY_INVALID_PARAMETER, "the receive buffer needs room for a byte");
    }
    std::lock_guard<std::mutex> lock(mState->rxMutex);
    if (aSize < mState->rx.size()) {
        return KyResult(KY_STATE_ERROR, "the receive buffer holds more bytes; read or flush them first");
    }
    mState->rxCapacity = aSize;
    return KyResult(KY_OK);
}

KyResult KyDeviceSerialPort::RegisterEchoSink(KyDeviceSerialPortEchoSink *aEchoSink)
{
    return AddEchoSink(aEchoSink);
}

KyResult KyDeviceSerialPort::UnregisterEchoSink(KyDeviceSerialPortEchoSink *aEchoSink)
{
    return RemoveEchoSink(aEchoSink);
}

uint64_t KyDeviceSerialPort::GetBytesSent() const { return mState->sent; }

uint64_t KyDeviceSerialPort::GetBytesReceived() const { return mState->received; }

void KyDeviceSerialPort::ResetStatistics()
{
    mState->sent = 0;
    mState->received = 0;
}
