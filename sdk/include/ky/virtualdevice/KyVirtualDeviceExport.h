// KY_VIRTUALDEVICE_API marks what libKyVirtualDevice exports. The library is built with hidden visibility:
// a class or function without the mark stays internal to it.
#pragma once

#if defined(SWIG)
#define KY_VIRTUALDEVICE_API
#else
#define KY_VIRTUALDEVICE_API [[gnu::visibility("default")]]
#endif
