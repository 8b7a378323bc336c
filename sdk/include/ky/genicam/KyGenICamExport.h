// KY_GENICAM_API marks what libKyGenICam exports. The library is built with hidden visibility:
// a class or function without the mark stays internal to it.
#pragma once

#if defined(SWIG)
#define KY_GENICAM_API
#else
#define KY_GENICAM_API [[gnu::visibility("default")]]
#endif
