// Parsing of <Representation> for the numeric nodes.
#pragma once

#include <string>
#include <utility>

#include "ky/base/KyEnums.h"

namespace ky::gc {

inline const std::pair<const char *, KyGenRepresentation> kRepresentations[] = {
    {"Linear", KyGenRepresentationLinear},         {"Logarithmic", KyGenRepresentationLogarithmic},
    {"Boolean", KyGenRepresentationBoolean},       {"PureNumber", KyGenRepresentationPureNumber},
    {"HexNumber", KyGenRepresentationHexNumber},   {"IPV4Address", KyGenRepresentationIPV4Address},
    {"MACAddress", KyGenRepresentationMACAddress},
};

}  // namespace ky::gc
