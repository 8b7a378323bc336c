// A stand-in camera for discovery tests: listens on port 3956 of one interface (broadcasts
// included), answers DISCOVERY with a chosen identity (after a wrong-id and a truncated answer,
// and twice, to exercise the host's filtering) and acknowledges FORCEIP for its own MAC.
#pragma once

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gev/Gvcp.h"
#include "gev/UdpSocket.h"

class ScriptedDiscoveryResponder
{
public:
    ScriptedDiscoveryResponder(const std::string &interfaceName, ky::gev::DiscoveryInfo identity)
        : mIdentity(std::move(identity))
    {
        ky::gev::UdpSocket::Options options;
        options.reuseAddress = true;
        options.broadcast = true;
        options.device = interfaceName;
        mBound = mSocket.Open(ky::gev::UdpSocket::ANY_IP, ky::gev::GVCP_PORT, options).IsOK();
        mThread = std::thread([this] { Serve(); });
    }
    ~ScriptedDiscoveryResponder()
    {
        mStop = true;
        mThread.join();
    }
    bool Bound() const { return mBound; }
    std::vector<ky::gev::ForceIpCmd> Forced()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mForced;
    }

private:
    void Reply(const ky::gev::Packet &packet, const ky::gev::DatagramInfo &to)
    {
        (void)mSocket.SendTo(packet.data(), packet.size(), to.sourceIp, to.sourcePort);
    }

    void Serve()
    {
        using namespace ky::gev;
        uint8_t buffer[1024];
        while (!mStop) {
            if (mSocket.WaitReadable(20) <= 0)
                continue;
            DatagramInfo from;
            const ssize_t size = mSocket.Receive(buffer, sizeof buffer, &from);
            CommandHeader header;
            if (size <= 0 || ParseCommandHeader(buffer, size_t(size), header) != CodecError::Ok)
                continue;
            if (header.command == Command::DISCOVERY_CMD) {
                DiscoveryAck ack;
                ack.header.ackId = uint16_t(header.requestId + 1);
                ack.info = mIdentity;
                Packet wrongId, good;
                Build(ack, wrongId);
                ack.header.ackId = header.requestId;
                Build(ack, good);
                Reply(wrongId, from);
                Reply(Packet(good.begin(), good.begin() + 40), from);  // truncated
                Reply(good, from);
                Reply(good, from);  // duplicate
            } else if (header.command == Command::FORCEIP_CMD) {
                ForceIpCmd command;
                if (Parse(buffer, size_t(size), command) != CodecError::Ok || command.mac != mIdentity.mac)
                    continue;
                {
                    std::lock_guard<std::mutex> lock(mMutex);
                    mForced.push_back(command);
                }
                AckHeader ack;
                ack.acknowledge = Command::FORCEIP_ACK;
                ack.ackId = header.requestId;
                Packet out;
                BuildBareAck(ack, out);
                Reply(out, from);
            }
        }
    }

    ky::gev::DiscoveryInfo mIdentity;
    ky::gev::UdpSocket mSocket;
    bool mBound = false;
    std::atomic<bool> mStop{false};
    std::mutex mMutex;
    std::vector<ky::gev::ForceIpCmd> mForced;
    std::thread mThread;
};
