#include "ky/apputils/KyPixelBitCount.h"

#include "ky/buffer/KyImage.h"

uint32_t KyGetPixelBitCount(KyPixelType aType) { return KyImage::GetPixelSize(aType); }
