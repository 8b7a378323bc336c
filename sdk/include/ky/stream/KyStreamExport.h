// KY_STREAM_API marks what libKyStream exports. The library is built with hidden visibility:
// a class or function without the mark stays internal to it.
#pragma once

#if defined(SWIG)
#define KY_STREAM_API
#else
#define KY_STREAM_API [[gnu::visibility("default")]]
#endif
