// A stand-in camera for discovery tests: listens on port 3956 of one interface (broadcasts
// included), answers DISCOVERY with a chosen identity (after a wrong-id and a truncated answer,
// and twice, to exercise the host's filtering) and acknowledges FORCEIP for its own MAC.
#pragma once

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gev/Gvcp.h"

class ScriptedDiscoveryResponder
{
public:
    ScriptedDiscoveryResponder(const std::string &interfaceName, ky::gev::DiscoveryInfo identity)
        : mIdentity(std::move(identity))
    {
        mSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(mSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        ::setsockopt(mSocket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        ::setsockopt(mSocket, SOL_SOCKET, SO_BINDTODEVICE, interfaceName.c_str(),
                     static_cast<socklen_t>(interfaceName.size()));
        sockaddr_in local {};
        local.sin_family = AF_INET;
        local.sin_port = htons(ky::gev::GVCP_PORT);
        mBound = ::bind(mSocket, reinterpret_cast<sockaddr *>(&local), sizeof local) == 0;
        mThread = std::thread([this] { Serve(); });
    }
    ~ScriptedDiscoveryResponder()
    {
        mStop = true;
        mThread.join();
        ::close(mSocket);
    }
    bool Bound() const { return mBound; }
    std::vector<ky::gev::ForceIpCmd> Forced()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mForced;
    }

private:
    void Reply(const ky::gev::Packet &packet, const sockaddr_in &to)
    {
        ::sendto(mSocket, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
    }

    void Serve()
    {
        using namespace ky::gev;
        uint8_t buffer[1024];
        while (!mStop) {
            pollfd waiter {mSocket, POLLIN, 0};
            if (::poll(&waiter, 1, 20) <= 0)
                continue;
            sockaddr_in from {};
            socklen_t fromLength = sizeof from;
            const ssize_t size =
                ::recvfrom(mSocket, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &fromLength);
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
    int mSocket = -1;
    bool mBound = false;
    std::atomic<bool> mStop {false};
    std::mutex mMutex;
    std::vector<ky::gev::ForceIpCmd> mForced;
    std::thread mThread;
};
