// The text-out rule shared by every function that gives text through a caller's buffer.
#pragma once

#include <string>

namespace ky::camctrl {

enum class TextOutcome { LengthOnly, Copied, TooSmall };

// `length` must not be null. On entry *length is what the buffer takes without the terminating
// zero (the buffer holds *length + 1 bytes). Null `text`: only *length = the text's length. A
// smaller *length: *length = the text's length, the buffer emptied. Otherwise the text and its
// zero are copied. *length always ends as the text's length.
TextOutcome PutText(const std::string &value, char *text, unsigned int *length);

}  // namespace ky::camctrl
