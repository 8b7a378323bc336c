// IKyMultiPartContainerReader: the parts of a multi-part payload, by index.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>

#include "ky/buffer/IKyMultiPartSection.h"

class KY_BUFFER_API IKyMultiPartContainerReader
{
public:
    /// Destructor.
    virtual ~IKyMultiPartContainerReader() = default;

    /// The number of parts.
    ///
    /// @return the count
    virtual uint32_t GetPartCount() = 0;
    /// One part, owned by the container.
    ///
    /// @param[in] aIndex the part, from 0
    ///
    /// @return the section; null for an index past the end
    virtual const IKyMultiPartSection *GetPart(uint32_t aIndex) const = 0;
    virtual IKyMultiPartSection *GetPart(uint32_t aIndex) = 0;
    /// Whether the payload has a chunk-data part (always the last one).
    ///
    /// @return true when it has
    virtual bool HasChunkPart() const = 0;
    /// Bytes of all parts' effective data together.
    ///
    /// @return the byte count
    virtual uint64_t GetTotalEffectiveSize() const = 0;
};
