// U3vStreamSender: the device's side of a USB3 Vision stream: one image block as leader, payload
// transfers, and trailer, on the stream pipe.
#pragma once

#include <cstddef>
#include <cstdint>

#include "u3v/U3vStreamFormat.h"
#include "u3v/U3vStreamInterface.h"
#include "u3v/UsbEndpoint.h"

namespace ky::u3v {

// The trailer status of a block whose payload did not fit the host's layout (the rest was not sent).
constexpr uint16_t U3V_TRAILER_STATUS_DATA_DISCARDED = 0xA101;

// Payload transfers of at most `maxPayloadTransfer` bytes. Stops at the first transfer that fails
// and returns its status.
TransferStatus SendImageBlock(IUsbBulkPipe &pipe, const U3vImageLeader &leader, const uint8_t *payload,
                              size_t size, size_t maxPayloadTransfer, uint32_t timeoutMs);

// Payload transfers as the host's layout asks: `transferCount` of `transferSize`, then the two
// final transfers. Payload beyond the layout is not sent; the trailer then says so
// (U3V_TRAILER_STATUS_DATA_DISCARDED, with the bytes that went out).
TransferStatus SendImageBlock(IUsbBulkPipe &pipe, const U3vImageLeader &leader, const uint8_t *payload,
                              size_t size, const U3vStreamLayout &layout, uint32_t timeoutMs);

}  // namespace ky::u3v
