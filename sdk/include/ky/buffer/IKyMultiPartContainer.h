// IKyMultiPartContainer: the multi-part payload of a buffer (KyBuffer::GetMultiPartContainer),
// read through its reader and built through its writer. Owned by the buffer.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include "ky/buffer/IKyMultiPartContainerWriter.h"

class KY_BUFFER_API IKyMultiPartContainer : public IKyMultiPartContainerWriter
{
public:
    /// Destructor.
    ~IKyMultiPartContainer() override = default;
};
