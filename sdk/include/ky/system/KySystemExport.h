// KY_SYSTEM_API marks what libKySystem exports. The library is built with hidden visibility:
// a class or function without the mark stays internal to it.
#pragma once

#if defined(SWIG)
#define KY_SYSTEM_API
#else
#define KY_SYSTEM_API [[gnu::visibility("default")]]
#endif
