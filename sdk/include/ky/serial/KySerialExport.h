// KY_SERIAL_API marks what libKySerial exports. The library is built with hidden visibility:
// a class or function without the mark stays internal to it.
#pragma once

#if defined(SWIG)
#define KY_SERIAL_API
#else
#define KY_SERIAL_API [[gnu::visibility("default")]]
#endif
