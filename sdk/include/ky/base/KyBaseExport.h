// KY_BASE_API marks what libKyBase exports. The library is built with hidden visibility:
// a class or function without the mark stays internal to it.
#pragma once

#if defined(SWIG)
#define KY_BASE_API
#else
#define KY_BASE_API __attribute__((visibility("default")))
#endif
