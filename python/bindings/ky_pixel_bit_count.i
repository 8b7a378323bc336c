// KyGetPixelBitCount: bits one pixel of a pixel type occupies; any 32-bit value is taken.

%{
#include "ky/apputils/KyPixelBitCount.h"
%}

%include "ky/apputils/KyAppUtilsExport.h"
%include "ky/apputils/KyPixelBitCount.h"
