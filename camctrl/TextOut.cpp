#include "TextOut.h"

#include <cstring>
#include <limits>

namespace ky::camctrl {

TextOutcome PutText(const std::string &value, char *text, unsigned int *length)
{
    // A text longer than an unsigned int can state cannot be described to the caller; SDK texts
    // never come close, but cut it rather than wrap the length.
    const size_t size = std::min<size_t>(value.size(), std::numeric_limits<unsigned int>::max() - 1u);
    const unsigned int room = *length;
    *length = static_cast<unsigned int>(size);
    if (!text)
        return TextOutcome::LengthOnly;
    if (room < size) {
        text[0] = '\0';
        return TextOutcome::TooSmall;
    }
    std::memcpy(text, value.data(), size);
    text[size] = '\0';
    return TextOutcome::Copied;
}

}  // namespace ky::camctrl
