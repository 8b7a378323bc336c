// SoftStandardFeatures: the features the software device defines itself, as a feature table:
// identity, GigE Vision transport (network, heartbeat, timestamp, message channel, the stream
// channels behind GevStreamChannelSelector, with their multi-part switches),
// events and user sets. The image and acquisition features come from the stream channels.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "genapi/SoftFeatureTable.h"
#include "ky/base/KyResult.h"

namespace ky::soft {

class SoftStandardFeatures
{
public:
    struct Options
    {
        uint32_t streamCount = 1;   // stream channel features when at least one
        uint32_t userSetCount = 0;  // UserSet1..N besides Default
        bool multiPart = false;     // a channel's source sends multi-part blocks: their switches
        bool rtp = false;           // the channels offer RTP: GevSCProtocol chooses GVSP or RTP
    };

    // The GigE Vision event codes that EventSelector offers, with their feature names.
    static const std::vector<std::pair<const char *, uint16_t>> &Events();
    // What an EventSelector write is checked with: KY_OK for one of Events()' codes.
    static KyResult CheckEventCode(uint32_t code);

    static SoftFeatureTable Make(const Options &options);
};

}  // namespace ky::soft
