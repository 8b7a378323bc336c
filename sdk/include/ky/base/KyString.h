// KyString: the SDK's text type. Holds UTF-8 narrow text and gives a wide copy on demand.
#pragma once

#include "ky/base/KyBaseExport.h"

#include <cstdint>
#include <mutex>
#include <string>

class KY_BASE_API KyString
{
public:
    KyString();
    KyString(const KyString &other);
    KyString(const char *text);                      // null pointer: an empty text
    KyString(const char *text, unsigned int count);  // count bytes, embedded NULs kept
    KyString(const wchar_t *text);                   // converted to UTF-8
    KyString(const std::string &text);
    KyString(KyString &&other) noexcept;
    ~KyString();

    KyString &operator=(const KyString &other);
    KyString &operator=(KyString &&other) noexcept;
    KyString &operator+=(const KyString &other);
    KyString operator+(const KyString &other) const;

    bool operator==(const KyString &other) const;
    bool operator!=(const KyString &other) const;
    bool operator==(const char *text) const;
    bool operator!=(const char *text) const;
    bool operator==(const wchar_t *text) const;
    bool operator!=(const wchar_t *text) const;
    bool operator<(const KyString &other) const;

    // The narrow (UTF-8) text; valid while the string lives and is not changed.
    const char *GetAscii() const;
    // The wide text; valid while the string lives and is not changed. Safe to call from several
    // threads at once on the same string (the wide copy is made once, under a lock).
    const wchar_t *GetUnicode() const;
    // Length of the narrow text in bytes.
    uint32_t GetLength() const;
    bool IsEmpty() const;

    const std::string &str() const { return mText; }

private:
    std::string mText;
    mutable std::mutex mWideMutex;
    mutable std::wstring mWide;
    mutable bool mWideValid = false;
};
