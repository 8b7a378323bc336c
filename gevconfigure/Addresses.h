// Choice of a free temporary address on an adapter's subnet.
#pragma once

#include <string>
#include <vector>

namespace gevconfigure {

// Replaces dotted part `octet` (0-3) of `source` by `replacement` into `destination` (16 bytes):
// the source is split at its first three dots, each part cut to 3 characters, and the parts joined
// again with dots, so the result has at most 15 characters.
void change_ip_octet(const char *source, char *destination, int octet, const char *replacement);

// The adapter's address with its last part set to 254, 253, ... 1: the first candidate that no text
// of `used` contains (as a substring); .1 when every other candidate is taken.
std::string FindFreeTemporaryAddress(const std::string &adapterAddress, const std::vector<std::string> &used);

}  // namespace gevconfigure
