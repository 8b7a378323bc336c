#include "ky/base/KyString.h"

#include <cstring>
#include <cwchar>

namespace {

// UTF-8 <-> UTF-32 (wchar_t is 32 bits on Linux). Invalid bytes become U+FFFD.
std::wstring Widen(const std::string &in)
{
    std::wstring out;
    out.reserve(in.size());
    size_t i = 0;
    const size_t n = in.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        uint32_t cp;
        size_t extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            out.push_back(L'\xFFFD');
            ++i;
            continue;
        }
        bool ok = true;
        for (size_t k = 1; k <= extra; ++k) {
            if (i + k >= n) {
                ok = false;
                break;
            }
            unsigned char cc = static_cast<unsigned char>(in[i + k]);
            if ((cc & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out.push_back(L'\xFFFD');
            ++i;
            continue;
        }
        out.push_back(static_cast<wchar_t>(cp));
        i += extra + 1;
    }
    return out;
}

std::string Narrow(const wchar_t *in, size_t n)
{
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        uint32_t cp = static_cast<uint32_t>(in[i]);
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x110000) {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out += "\xEF\xBF\xBD";
        }
    }
    return out;
}

}  // namespace

KyString::KyString() = default;
KyString::KyString(const char *text) : mText(text ? text : "") { }
KyString::KyString(const char *text, unsigned int count)
    : mText(text ? std::string(text, count) : std::string())
{ }
KyString::KyString(const wchar_t *text) : mText(text ? Narrow(text, std::wcslen(text)) : std::string()) { }
KyString::KyString(const std::string &text) : mText(text) { }
KyString::KyString(const KyString &other) : mText(other.mText) { }
KyString::KyString(KyString &&other) noexcept : mText(std::move(other.mText))
{
    other.mText.clear();
    other.mWideValid = false;
}
KyString::~KyString() = default;

// Changing the text drops the wide copy; callers must not change a string that other threads read.
KyString &KyString::operator=(const KyString &other)
{
    if (this != &other) {
        mText = other.mText;
        mWideValid = false;
    }
    return *this;
}

KyString &KyString::operator=(KyString &&other) noexcept
{
    if (this != &other) {
        mText = std::move(other.mText);
        mWideValid = false;
        other.mText.clear();
        other.mWideValid = false;
    }
    return *this;
}

KyString &KyString::operator+=(const KyString &other)
{
    mText += other.mText;
    mWideValid = false;
    return *this;
}

KyString KyString::operator+(const KyString &other) const
{
    KyString r(*this);
    r += other;
    return r;
}

bool KyString::operator==(const KyString &other) const { return mText == other.mText; }
bool KyString::operator!=(const KyString &other) const { return mText != other.mText; }
bool KyString::operator==(const char *text) const { return mText == (text ? text : ""); }
bool KyString::operator!=(const char *text) const { return !(*this == text); }
bool KyString::operator==(const wchar_t *text) const { return *this == KyString(text); }
bool KyString::operator!=(const wchar_t *text) const { return !(*this == text); }
bool KyString::operator<(const KyString &other) const { return mText < other.mText; }

const char *KyString::GetAscii() const { return mText.c_str(); }

const wchar_t *KyString::GetUnicode() const
{
    std::lock_guard<std::mutex> lock(mWideMutex);
    if (!mWideValid) {
        mWide = Widen(mText);
        mWideValid = true;
    }
    return mWide.c_str();
}

uint32_t KyString::GetLength() const { return static_cast<uint32_t>(mText.size()); }
bool KyString::IsEmpty() const { return mText.empty(); }
