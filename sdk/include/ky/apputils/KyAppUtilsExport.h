// KY_APPUTILS_API marks what libKyAppUtils exports. The library is built with hidden visibility:
// a class or function without the mark stays internal to it.
#pragma once

#if defined(SWIG)
#define KY_APPUTILS_API
#else
#define KY_APPUTILS_API [[gnu::visibility("default")]]
#endif
