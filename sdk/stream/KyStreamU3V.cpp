#include "ky/stream/KyStreamU3V.h"

#include <mutex>

#include "ky/base/KyBaseExport.h"
#include "ky/device/KyDeviceInfoU3V.h"
#include "StreamCore.h"
#include "StreamLog.h"
#include "u3v/SimUsbRegistry.h"
#include "u3v/U3vBlockSource.h"
#include "u3v/U3vBootstrapReader.h"

namespace {

constexpr int64_t kMostSetting = UINT32_MAX;

}  // namespace

struct KY_LOCAL KyStreamU3V::Impl
{
    mutable std::mutex mutex;
    ky::stream::U3vBlockSource *source = nullptr;  // owned by the stream core
    std::string guid;                              // of the last open
    uint32_t smallImageThreshold = 512;
    uint32_t pendingTransfers = 64;

    KyResult OpenOn(ky::stream::StreamCore &core, const std::string &text, uint16_t channel,
                    uint32_t capacity, uint32_t threshold, uint32_t pending);

    // A receiver counter of the open source, 0 while none was opened.
    int64_t Counter(uint64_t ky::stream::U3vReceiverCounters::*field) const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return source ? static_cast<int64_t>(source->Counters().*field) : 0;
    }
};

KyStreamU3V::KyStreamU3V() : mImpl(new Impl())
{
    using Counters = ky::stream::U3vReceiverCounters;
    Impl *impl = mImpl.get();
    ky::stream::StreamParameters &parameters = Core().Parameters();
    struct Setting
    {
        const char *name;
        const char *tooltip;
        int64_t (*get)(const Impl &);
    };
    const Setting settings[] = {
        {"SmallImageThreshold",
         "Images up to this many bytes are copied from the receiver's transfer buffer.",
         [](const Impl &i) { return static_cast<int64_t>(i.smallImageThreshold); }},
        {"MaximumNumberOfPendingURB", "The most transfers the payload of one block is asked for in.",
         [](const Impl &i) { return static_cast<int64_t>(i.pendingTransfers); }},
        {"PayloadTransferSize", "Bytes of each payload transfer (0 while the stream was never opened).",
         [](const Impl &i) { return i.source ? static_cast<int64_t>(i.source->Layout().transferSize) : 0; }},
        {"PayloadTransferCount", "Payload transfers of that size in one block, before the final ones.",
         [](const Impl &i) { return i.source ? static_cast<int64_t>(i.source->Layout().transferCount) : 0; }},
    };
    for (const Setting &s : settings) {
        parameters.Add(ky::stream::IntegerFeature(s.name, s.tooltip, [impl, get = s.get] {
            std::lock_guard<std::mutex> lock(impl->mutex);
            return std::min(get(*impl), kMostSetting);
        }));
    }
    struct Named
    {
        const char *name;
        const char *tooltip;
        uint64_t Counters::*field;
    };
    const Named counters[] = {
        {"TransfersReceived", "Transfers read from the stream pipe.", &Counters::transfers},
        {"DirectTransfers", "Payload transfers read straight into a queued buffer.",
         &Counters::directTransfers},
        {"StrayTransfers", "Payload or trailers that came outside a block.", &Counters::strayTransfers},
        {"MalformedTransfers", "Leaders and trailers that did not parse.", &Counters::malformed},
        {"OversizedTransfers", "Transfers larger than the stream's layout allows (dropped).",
         &Counters::oversizedTransfers},
        {"BlocksWithoutBuffer", "Blocks that found no queued buffer and were let go.",
         &Counters::blocksWithoutBuffer},
        {"IncompleteBlocks", "Blocks that ended short, overran their buffer or carried a failure.",
         &Counters::incompleteBlocks},
    };
    for (const Named &n : counters) {
        parameters.Add(ky::stream::IntegerFeature(n.name, n.tooltip,
                                                  [impl, field = n.field] { return impl->Counter(field); }));
    }
    // The features come from the tables above: failing to load them is a fault of this library.
    const KyResult built = parameters.Build();
    if (built.IsFailure())
        ky::stream::StreamLog().LogCritical(__FILE__, __LINE__, "KyStreamU3V",
                                            built.GetDescription().GetAscii());
}

KyStreamU3V::~KyStreamU3V() { Core().Close(); }

KyResult KyStreamU3V::Open(const KyDeviceInfo *aDeviceInfo) { return Open(aDeviceInfo, 0); }

KyResult KyStreamU3V::Open(const KyString &aInfo) { return Open(aInfo, 0); }

KyResult KyStreamU3V::Open(const KyDeviceInfo *aDeviceInfo, uint16_t aChannel, uint32_t aBuffersCapacity,
                           uint32_t aSmallImageThreshold, uint32_t aMaximumNumberOfPendingURB)
{
    if (aDeviceInfo == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("a stream needs a device information record"));
    const KyDeviceInfoU3V *u3v = dynamic_cast<const KyDeviceInfoU3V *>(aDeviceInfo);
    if (u3v == nullptr)
        return KyResult(KY_NOT_SUPPORTED, KyString("the device is no USB3 Vision device"));
    return Open(u3v->GetDeviceGUID(), aChannel, aBuffersCapacity, aSmallImageThreshold,
                aMaximumNumberOfPendingURB);
}

KyResult KyStreamU3V::Open(const KyString &aInfo, uint16_t aChannel, uint32_t aBuffersCapacity,
                           uint32_t aSmallImageThreshold, uint32_t aMaximumNumberOfPendingURB)
{
    return mImpl->OpenOn(Core(), aInfo.str(), aChannel, aBuffersCapacity, aSmallImageThreshold,
                         aMaximumNumberOfPendingURB);
}

KyResult KyStreamU3V::Impl::OpenOn(ky::stream::StreamCore &core, const std::string &text, uint16_t channel,
                                   uint32_t capacity, uint32_t threshold, uint32_t pending)
{
    if (text.empty())
        return KyResult(KY_INVALID_PARAMETER, KyString("a stream needs the device's GUID"));
    if (capacity == 0)
        return KyResult(KY_INVALID_PARAMETER, KyString("a stream must be able to hold one buffer at least"));
    if (pending == 0)
        return KyResult(KY_INVALID_PARAMETER, KyString("a block needs one pending transfer at least"));
    std::string normalized;
    if (!ky::base::SimUsbDeviceTable::NormalizeGuid(text, normalized))
        return KyResult(KY_NOT_FOUND, KyString("'" + text + "' is no USB3 Vision GUID (12 hex digits)"));
    std::lock_guard<std::mutex> lock(mutex);
    if (core.IsOpen())
        return KyResult(KY_STATE_ERROR, KyString("the stream is open already"));
    ky::u3v::SimUsbRegistry::LoadDeclarations();
    std::shared_ptr<ky::u3v::SimUsbLink> link = ky::u3v::SimUsbRegistry::LinkOf(normalized);
    if (!link)
        return KyResult(KY_NOT_FOUND, KyString("no USB3 Vision device of GUID " + normalized));
    if (!link->IsPlugged())
        return KyResult(KY_NOT_CONNECTED, KyString("the USB3 Vision device is not connected"));
    // Both shares keep the link, and so the pipes, alive as long as the stream holds them.
    std::shared_ptr<ky::u3v::U3vControlClient> control(link, link->HostControl().get());
    std::shared_ptr<ky::u3v::IUsbBulkPipe> pipe(link, &link->Host(ky::u3v::SimPipe::Stream));
    ky::u3v::U3vBootstrapInfo info;
    KyResult result = ky::u3v::ReadBootstrap(*control, info);
    if (result.IsFailure())
        return result;
    if (channel >= info.streamChannelCount || info.sirmAddress == 0)
        return KyResult(KY_NOT_FOUND,
                        KyString("the device has no stream channel " + std::to_string(channel)));
    ky::stream::U3vReceiverConfig config;
    config.sirmAddress = info.sirmAddress;
    config.smallImageThreshold = threshold;
    config.maxPendingTransfers = pending;
    auto opened = std::make_unique<ky::stream::U3vBlockSource>();
    result = opened->Open(control, pipe, config);
    if (result.IsFailure())
        return result;
    source = opened.get();
    guid = normalized;
    smallImageThreshold = threshold;
    pendingTransfers = pending;
    core.SetSource(std::move(opened), capacity, channel);
    return KyResult();
}

KyString KyStreamU3V::GetGUID()
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    return KyString(mImpl->guid);
}
