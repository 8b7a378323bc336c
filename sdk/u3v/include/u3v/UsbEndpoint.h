// UsbEndpoint: the one seam between the USB3 Vision protocol code and a USB bus. A bulk pipe is a
// pair of bulk endpoints seen from one side of the link: Write sends a transfer out, Read takes
// the next transfer in. The simulated bus (SimUsbBus.h) is one implementation; a libusb back end
// would be another, and the control, event and stream code above never knows which it runs on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ky/base/KyResult.h"

namespace ky::u3v {

enum class TransferStatus {
    Ok,
    Timeout,       // nothing moved within the time-out
    Stall,         // the endpoint is halted until ClearStall
    Disconnected,  // the device is gone (unplugged); every later transfer fails the same way
    Overflow,      // the incoming transfer was larger than the buffer offered (it is dropped)
};

const char *TransferStatusName(TransferStatus status);
// KY_OK, KY_TIMEOUT, KY_STATE_ERROR (stall), KY_NOT_CONNECTED, KY_BUFFER_TOO_SMALL.
KyResult ToResult(TransferStatus status);

class IUsbBulkPipe
{
public:
    virtual ~IUsbBulkPipe() = default;

    // Sends one transfer of `size` bytes (data may be null only when size is 0).
    virtual TransferStatus Write(const uint8_t *data, size_t size, uint32_t timeoutMs) = 0;
    // Receives the next transfer into data[0..capacity); `received` is its size on Ok.
    virtual TransferStatus Read(uint8_t *data, size_t capacity, size_t &received, uint32_t timeoutMs) = 0;
    // Takes both endpoints of the pipe out of the halted state.
    virtual void ClearStall() = 0;
    // Whether the device is still attached.
    virtual bool IsConnected() const = 0;
};

}  // namespace ky::u3v
