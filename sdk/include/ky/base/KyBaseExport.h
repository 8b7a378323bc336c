// KY_BASE_API marks what libKyBase exports. The library is built with hidden visibility:
// a class or function without the mark stays internal to it. The marks of every library are written
// as standard attributes so that they may follow another one, as in `class [[nodiscard]] KY_BASE_API`
// (GCC takes no `__attribute__` after a `[[...]]`).
#pragma once

#if defined(SWIG)
#define KY_BASE_API
#define KY_LOCAL
#else
#define KY_BASE_API [[gnu::visibility("default")]]
// KY_LOCAL keeps a nested class or a member of an exported class inside its library, where the
// class's mark would export it too: the private parts that no other library or program reaches
// (a nested Impl, members that take internal types).
#define KY_LOCAL [[gnu::visibility("hidden")]]
#endif
