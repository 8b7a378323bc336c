// IKyGenPort: how a GenICam node map reaches its device.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstdint>

#include "ky/base/KyResult.h"

// The device side of a node map: every register read and write of the features goes
// through one port. The device client (GigE Vision control channel) and the soft device
// each implement it. Calls come from whatever thread uses the parameters, one at a time
// for a given parameter array (the array serialises them). A failed result is returned
// to the caller of the feature unchanged.
class KY_GENICAM_API IKyGenPort
{
public:
    virtual ~IKyGenPort() = default;
    // Reads length bytes at address into data (which holds at least length bytes).
    virtual KyResult ReadPort(uint64_t address, void *data, uint32_t length) = 0;
    // Writes length bytes from data at address.
    virtual KyResult WritePort(uint64_t address, const void *data, uint32_t length) = 0;
};
