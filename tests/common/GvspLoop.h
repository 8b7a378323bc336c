// The test camera's GVSP sender and a receiver joined over loopback, the receiver's resend
// requests served by the sender, as the GVCP client and server will join them.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "GvspTestCamera.h"
#include "gvsp/GvspReceiver.h"

namespace ky::gev::test {

// Every wait of the tests is bounded by this.
constexpr uint32_t WAIT_MS = 5000;

// Polls a condition until it holds or WAIT_MS has passed; whether it held.
template <typename Condition>
bool WaitUntil(Condition condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(WAIT_MS);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// How packets travel: glued by the kernel (segmentation and receive offload), one by one and
// copied into place, or one by one and written into place by the socket.
enum class Transfer { Offload, Plain, InPlace, Ring };

inline const char *TransferName(Transfer transfer)
{
    return transfer == Transfer::Offload   ? "offload"
           : transfer == Transfer::Plain   ? "plain"
           : transfer == Transfer::InPlace ? "in place"
                                           : "packet ring";
}

inline void SetTransfer(Transfer transfer, GvspSenderConfig &sender, GvspReceiverConfig &receiver)
{
    sender.segmentationOffload = transfer == Transfer::Offload;
    receiver.receiveOffload = transfer == Transfer::Offload;
    receiver.receiveInPlace = transfer == Transfer::InPlace;
    receiver.packetRing = transfer == Transfer::Ring ? PacketRingUse::Always : PacketRingUse::Never;
}

constexpr Transfer ALL_TRANSFERS[] = {Transfer::Offload, Transfer::Plain, Transfer::InPlace, Transfer::Ring};

struct GvspLoop
{
    GvspTestCamera camera;  // its control socket stays closed: the receiver asks the sender itself
    GvspSender &sender = camera.sender;
    GvspReceiver receiver;
    // Sees each resend request before the sender serves it (on the receiver's thread); set it
    // before Open.
    std::function<void(uint64_t block, uint32_t first, uint32_t last)> onResend;

    // The receiver listens on address (one of this host's), where the sender sends to.
    KyResult Open(GvspSenderConfig senderConfig, GvspReceiverConfig receiverConfig,
                  const char *address = "127.0.0.1")
    {
        receiverConfig.localAddress = address;
        KyResult result =
            receiver.Open(receiverConfig, [this](uint64_t block, uint32_t first, uint32_t last) {
                if (onResend)
                    onResend(block, first, last);
                (void)sender.ServeResend(block, first, last);  // the sender counts what it cannot serve
            });
        if (result.IsFailure())
            return result;
        senderConfig.destinationAddress = address;
        senderConfig.destinationPort = receiver.LocalPort();
        return sender.Open(senderConfig);
    }

    KyResult SendFrame(uint64_t blockId, const std::vector<uint8_t> &frame, const GvspLeader &leader)
    {
        return camera.SendBlock(blockId, frame, leader);
    }
};

}  // namespace ky::gev::test
