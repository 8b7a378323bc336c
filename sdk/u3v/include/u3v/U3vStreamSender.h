// U3vStreamSender: the device's side of a USB3 Vision stream: one image block as leader, payload
// transfers, and trailer, on the stream pipe.
#pragma once

#include <cstddef>
#include <cstdint>

#include "u3v/U3vStreamFormat.h"
#include "u3v/U3vStreamInterface.h"
#include "u3v/UsbEndpoint.h"

namespace ky::u3v {

// The trailer status of a block whose payload was not all sent (the rest was discarded).
constexpr uint16_t U3V_TRAILER_STATUS_DATA_DISCARDED = 0xA101;

// Payload transfers of at most `maxPayloadTransfer` bytes. Stops at the first transfer that fails
// and returns its status.
TransferStatus SendImageBlock(IUsbBulkPipe &pipe, const U3vImageLeader &leader, const uint8_t *payload,
                              size_t size, size_t maxPayloadTransfer, uint32_t timeoutMs);

// Payload transfers as the host's layout asks: `transferCount` of `transferSize`, then the two
// final transfers; payload beyond the layout (a format that grew after the host planned it) in
// further transfers of the layout's largest size. A layout of no size at all sends no payload: the
// trailer then says so (U3V_TRAILER_STATUS_DATA_DISCARDED).
TransferStatus SendImageBlock(IUsbBulkPipe &pipe, const U3vImageLeader &leader, const uint8_t *payload,
                              size_t size, const U3vStreamLayout &layout, uint32_t timeoutMs);

}  // namespace ky::u3v
