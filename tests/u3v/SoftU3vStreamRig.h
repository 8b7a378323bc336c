// A soft USB3 Vision device's stream side on a simulated link, without the registry: the test
// pattern source, the stream channel on the device's end of the stream pipe, and the stream
// interface registers in front of the bootstrap memory, served by a control server.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ky/buffer/KyBuffer.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"
#include "u3v/SimUsbBus.h"
#include "u3v/U3vBootstrap.h"
#include "u3v/U3vBootstrapMemory.h"
#include "u3v/U3vControlClient.h"
#include "u3v/U3vControlServer.h"
#include "u3vdevice/SoftU3vStreamChannel.h"
#include "u3vdevice/SoftU3vStreamRegisters.h"

struct SoftU3vStreamRig
{
    SoftU3vStreamRig(uint32_t width, uint32_t height, double frameRate = 200.0)
        : link(std::make_shared<ky::u3v::SimUsbLink>(16)),
          source(width, height, KyPixelMono8, 8, frameRate),
          channel(source, link->Device(ky::u3v::SimPipe::Stream)),
          memory(ky::u3v::U3vDeviceIdentity{}, std::vector<uint8_t>{'<', '/', '>'}, false, nullptr),
          sirm(channel, memory),
          server(link->Device(ky::u3v::SimPipe::Control), sirm, 1024, 1024)
    {
        server.Start();
        (void)channel.Begin();
    }
    ~SoftU3vStreamRig()
    {
        link->Unplug();
        channel.End();
        server.Stop();
    }

    // The host's shares of the link, each keeping the link alive.
    std::shared_ptr<ky::u3v::U3vControlClient> Control()
    {
        return std::shared_ptr<ky::u3v::U3vControlClient>(link, link->HostControl().get());
    }
    std::shared_ptr<ky::u3v::IUsbBulkPipe> StreamPipe()
    {
        return std::shared_ptr<ky::u3v::IUsbBulkPipe>(link, &link->Host(ky::u3v::SimPipe::Stream));
    }

    std::shared_ptr<ky::u3v::SimUsbLink> link;
    KyStreamingChannelSourceTestPattern source;
    ky::soft::SoftU3vStreamChannel channel;
    ky::u3v::U3vBootstrapMemory memory;
    ky::soft::SoftU3vStreamRegisters sirm;
    ky::u3v::U3vControlServer server;
};

// Whether the Mono8 image holds frame `frame` of the test pattern; `where` tells the first miss.
inline bool MatchesTestPattern(const uint8_t *data, uint32_t width, uint32_t height, uint64_t frame,
                               std::string &where)
{
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t want = KyStreamingChannelSourceDefault::TestPatternValue(x, y, frame);
            if (data[size_t(y) * width + x] != want) {
                where = "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " +
                        std::to_string(data[size_t(y) * width + x]) + ", not " + std::to_string(want);
                return false;
            }
        }
    }
    return true;
}
