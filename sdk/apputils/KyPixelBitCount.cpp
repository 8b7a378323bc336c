#include "KyPixelBitCount.h"

#include "KyImage.h"

uint32_t KyGetPixelBitCount(KyPixelType aType)
{
    return KyImage::GetPixelSize(aType);
}
