// U3vStreamSetup: how the host sets up a device's stream interface (SIRM) over control: it reads
// what a block needs, plans the payload transfers, writes its layout and sets the enable bit; at
// the end it clears the bit again.
#pragma once

#include <cstdint>
#include <functional>

#include "ky/base/KyResult.h"
#include "u3v/U3vControlClient.h"
#include "u3v/U3vStreamInterface.h"

namespace ky::stream {

// The block transfers are planned from the device's required payload size, in at most
// `maxTransfers` payload transfers. KY_BUSY when the interface is enabled already (another
// receiver streams from it), KY_GENERIC_ERROR for requirements no receiver can meet. `beforeEnable`
// (may be empty) runs once the interface is known to be free, just before the enable bit is set.
KyResult EnableStreamInterface(u3v::U3vControlClient &control, uint64_t sirmAddress, uint32_t maxTransfers,
                               u3v::U3vStreamLayout &layout, uint64_t &payloadSize,
                               const std::function<void()> &beforeEnable = nullptr);
KyResult DisableStreamInterface(u3v::U3vControlClient &control, uint64_t sirmAddress);

}  // namespace ky::stream
