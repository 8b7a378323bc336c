#include "registers/SoftSerialPort.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "ky/device/KySerialRegisters.h"

namespace ky::soft {

using namespace ky::serial;

KyResult SoftSerialPort::AddRegisters(SoftRegisterMap &map)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mRx.clear();
        mOverflow = false;
        mLoopback = true;
    }
    auto add = [&map](const char *name, uint32_t address, uint32_t length,
                      KyGenAccessMode mode) -> SoftRegister * {
        auto reg = std::make_unique<SoftRegister>(KyString(name), address, length, mode, length > 4, nullptr);
        SoftRegister *raw = reg.get();
        return map.Add(std::move(reg)).IsOK() ? raw : nullptr;
    };
    SoftRegister *control = add("SerialControl", SERIAL_CONTROL_OFFSET, 4, KyGenAccessModeReadWrite);
    SoftRegister *status = add("SerialStatus", SERIAL_STATUS_OFFSET, 4, KyGenAccessModeReadOnly);
    SoftRegister *baud = add("SerialBaudRate", SERIAL_BAUD_RATE_OFFSET, 4, KyGenAccessModeReadWrite);
    SoftRegister *txCount = add("SerialTxCount", SERIAL_TX_COUNT_OFFSET, 4, KyGenAccessModeWriteOnly);
    SoftRegister *rxTake = add("SerialRxTake", SERIAL_RX_TAKE_OFFSET, 4, KyGenAccessModeWriteOnly);
    SoftRegister *rxTaken = add("SerialRxTaken", SERIAL_RX_TAKEN_OFFSET, 4, KyGenAccessModeReadOnly);
    SoftRegister *txWindow =
        add("SerialTxWindow", SERIAL_TX_WINDOW_OFFSET, SERIAL_WINDOW_SIZE, KyGenAccessModeWriteOnly);
    SoftRegister *rxWindow =
        add("SerialRxWindow", SERIAL_RX_WINDOW_OFFSET, SERIAL_WINDOW_SIZE, KyGenAccessModeReadOnly);
    if (!control || !status || !baud || !txCount || !rxTake || !rxTaken || !txWindow || !rxWindow) {
        return KyResult(KY_INVALID_PARAMETER, "the serial port registers overlap other registers");
    }
    control->SetRawU32(SERIAL_CONTROL_LOOPBACK);
    control->SetHooks(nullptr, nullptr, [this](SoftRegister &r) {
        std::lock_guard<std::mutex> lock(mMutex);
        mLoopback = (r.GetRawU32() & SERIAL_CONTROL_LOOPBACK) != 0;
    });
    status->SetHooks(
        [this](SoftRegister &r) {
            std::lock_guard<std::mutex> lock(mMutex);
            const auto count = static_cast<uint32_t>(std::min<size_t>(mRx.size(), 0xFFFF));
            r.SetRawU32((count << SERIAL_STATUS_RX_COUNT_SHIFT) | (count ? SERIAL_STATUS_RX_READY : 0) |
                        (mOverflow ? SERIAL_STATUS_RX_OVERFLOW : 0));
            mOverflow = false;
        },
        nullptr, nullptr);
    baud->SetRawU32(SERIAL_BAUD_RATE_DEFAULT);
    baud->SetHooks(
        nullptr,
        [](SoftRegister &r) {
            const uint32_t rate = r.GetRawU32();
            return rate >= SERIAL_BAUD_RATE_MIN && rate <= SERIAL_BAUD_RATE_MAX
                       ? KyResult(KY_OK)
                       : KyResult(KY_INVALID_PARAMETER, "baud rate out of range");
        },
        nullptr);
    txCount->SetHooks(
        nullptr,
        [](SoftRegister &r) {
            const uint32_t count = r.GetRawU32();
            return count >= 1 && count <= SERIAL_WINDOW_SIZE
                       ? KyResult(KY_OK)
                       : KyResult(KY_INVALID_PARAMETER, "byte count out of range");
        },
        [this, txWindow](SoftRegister &r) { Send(*txWindow, r.GetRawU32()); });
    rxTake->SetHooks(nullptr, nullptr, [this, rxWindow, rxTaken](SoftRegister &r) {
        Take(*rxWindow, *rxTaken, r.GetRawU32());
    });
    return KyResult(KY_OK);
}

void SoftSerialPort::Send(SoftRegister &window, uint32_t count)
{
    std::vector<uint8_t> bytes(SERIAL_WINDOW_SIZE);
    if (window.ReadBytes(bytes.data(), SERIAL_WINDOW_SIZE).IsFailure()) {
        return;
    }
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mLoopback) {
        return;  // nothing is attached to the line
    }
    for (uint32_t i = 0; i < count && i < SERIAL_WINDOW_SIZE; ++i) {
        if (mRx.size() < SERIAL_RX_FIFO_SIZE) {
            mRx.push_back(bytes[i]);
        } else {
            mOverflow = true;
        }
    }
}

void SoftSerialPort::Take(SoftRegister &window, SoftRegister &taken, uint32_t count)
{
    std::vector<uint8_t> bytes(SERIAL_WINDOW_SIZE, 0);
    size_t moved = 0;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        moved = std::min<size_t>({count, SERIAL_WINDOW_SIZE, mRx.size()});
        std::copy(mRx.begin(), mRx.begin() + static_cast<std::ptrdiff_t>(moved), bytes.begin());
        mRx.erase(mRx.begin(), mRx.begin() + static_cast<std::ptrdiff_t>(moved));
    }
    window.SetRaw(bytes.data(), bytes.size());
    taken.SetRawU32(static_cast<uint32_t>(moved));
}

}  // namespace ky::soft
