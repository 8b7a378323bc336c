// KY_BUFFER_API marks what libKyBuffer exports. The library is built with hidden visibility:
// a class or function without the mark stays internal to it.
#pragma once

#if defined(SWIG)
#define KY_BUFFER_API
#else
#define KY_BUFFER_API [[gnu::visibility("default")]]
#endif
