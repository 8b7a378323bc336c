// KY_DEVICE_API marks what libKyDevice exports. The library is built with hidden visibility:
// a class or function without the mark stays internal to it.
#pragma once

#if defined(SWIG)
#define KY_DEVICE_API
#else
#define KY_DEVICE_API [[gnu::visibility("default")]]
#endif
