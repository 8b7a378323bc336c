// KyString: the SDK's text type. Holds UTF-8 narrow text and gives a wide copy on demand.
#pragma once

#include "ky/base/KyBaseExport.h"

#include <cstdint>
#include <mutex>
#include <string>

class KY_BASE_API KyString
{
public:
    /// An empty text.
    KyString();
    /// A copy of another text.
    ///
    /// @param[in] other the text to copy
    KyString(const KyString &other);
    /// A text from UTF-8 characters.
    ///
    /// @param[in] text zero-terminated UTF-8 text; a null pointer gives an empty text
    KyString(const char *text);
    /// A text from a number of UTF-8 bytes, embedded NULs kept.
    ///
    /// @param[in] text UTF-8 bytes
    /// @param[in] count how many bytes to take
    KyString(const char *text, unsigned int count);
    /// A text from wide characters, converted to UTF-8.
    ///
    /// @param[in] text zero-terminated wide text; a null pointer gives an empty text
    KyString(const wchar_t *text);
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

    /// The narrow (UTF-8) text; valid while the string lives and is not changed.
    ///
    /// @return the UTF-8 text
    const char *GetAscii() const;
    /// The wide text; valid while the string lives and is not changed.
    ///
    /// Safe to call from several threads at once on the same string (the wide copy is made once,
    /// under a lock).
    ///
    /// @return the wide text
    const wchar_t *GetUnicode() const;
    /// Length of the narrow text in bytes.
    ///
    /// @return the number of UTF-8 bytes
    uint32_t GetLength() const;
    bool IsEmpty() const;

    const std::string &str() const { return mText; }

private:
    std::string mText;
    mutable std::mutex mWideMutex;
    mutable std::wstring mWide;
    mutable bool mWideValid = false;
};
