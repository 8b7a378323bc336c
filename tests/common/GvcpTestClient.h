// A raw GVCP peer for tests: sends datagrams to a device and waits (bounded) for answers.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "TestDeadline.h"
#include "gev/Gvcp.h"

class GvcpTestClient
{
public:
    explicit GvcpTestClient(const std::string &bindIp = "127.0.0.1")
    {
        mFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(mFd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        inet_pton(AF_INET, bindIp.c_str(), &address.sin_addr);
        bind(mFd, reinterpret_cast<sockaddr *>(&address), sizeof(address));
    }
    ~GvcpTestClient() { close(mFd); }
    GvcpTestClient(const GvcpTestClient &) = delete;
    GvcpTestClient &operator=(const GvcpTestClient &) = delete;

    int Fd() const { return mFd; }
    uint16_t Port() const
    {
        sockaddr_in address{};
        socklen_t length = sizeof(address);
        getsockname(mFd, reinterpret_cast<sockaddr *>(&address), &length);
        return ntohs(address.sin_port);
    }

    void SendTo(const ky::gev::Packet &packet, const std::string &ip, uint16_t port = ky::gev::GVCP_PORT)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        inet_pton(AF_INET, ip.c_str(), &address.sin_addr);
        sendto(mFd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr *>(&address), sizeof(address));
    }

    // The next datagram within the timeout; empty when none came.
    ky::gev::Packet Receive(int timeoutMs = 1000, std::string *fromIp = nullptr, uint16_t *fromPort = nullptr)
    {
        pollfd fd{mFd, POLLIN, 0};
        if (poll(&fd, 1, timeoutMs) <= 0) {
            return {};
        }
        ky::gev::Packet packet(2048);
        sockaddr_in from{};
        socklen_t length = sizeof(from);
        const ssize_t size = recvfrom(mFd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr *>(&from), &length);
        packet.resize(size > 0 ? static_cast<size_t>(size) : 0);
        if (fromIp) {
            char text[INET_ADDRSTRLEN];
            inet_ntop(AF_INET, &from.sin_addr, text, sizeof(text));
            *fromIp = text;
        }
        if (fromPort) {
            *fromPort = ntohs(from.sin_port);
        }
        return packet;
    }

    // Sends and returns the first answer that is not a PENDING_ACK.
    ky::gev::Packet Transact(const ky::gev::Packet &packet, const std::string &ip = "127.0.0.1",
                            int timeoutMs = TestDeadlineMs(2000))
    {
        SendTo(packet, ip);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            ky::gev::Packet answer = Receive(timeoutMs);
            ky::gev::AckHeader header;
            if (answer.empty()) {
                break;
            }
            if (ky::gev::ParseAckHeader(answer.data(), answer.size(), header) == ky::gev::CodecError::Ok &&
                header.acknowledge == ky::gev::Command::PENDING_ACK) {
                continue;
            }
            return answer;
        }
        return {};
    }

    template <typename Command>
    ky::gev::Packet Transact(Command command, uint16_t requestId, const std::string &ip = "127.0.0.1")
    {
        command.header.requestId = requestId;
        ky::gev::Packet packet;
        ky::gev::Build(command, packet);
        return Transact(packet, ip);
    }

    // Status of an acknowledge; ERROR when there is none.
    static ky::gev::Status StatusOf(const ky::gev::Packet &ack)
    {
        ky::gev::AckHeader header;
        if (ky::gev::ParseAckHeader(ack.data(), ack.size(), header) != ky::gev::CodecError::Ok) {
            return ky::gev::Status::ERROR;
        }
        return header.status;
    }

    ky::gev::Status WriteReg(uint32_t address, uint32_t value, uint16_t id, const std::string &ip = "127.0.0.1")
    {
        return StatusOf(Transact(ky::gev::WriteRegCmd{{}, {{address, value}}}, id, ip));
    }

    // The value, or the failing status in `status`.
    uint32_t ReadReg(uint32_t address, uint16_t id, ky::gev::Status *status = nullptr,
                     const std::string &ip = "127.0.0.1")
    {
        ky::gev::Packet ack = Transact(ky::gev::ReadRegCmd{{}, {address}}, id, ip);
        ky::gev::ReadRegAck parsed;
        const bool ok = ky::gev::Parse(ack.data(), ack.size(), parsed) == ky::gev::CodecError::Ok;
        if (status) {
            *status = ok ? parsed.header.status : ky::gev::Status::ERROR;
        }
        return ok && !parsed.values.empty() ? parsed.values[0] : 0;
    }

private:
    int mFd = -1;
};
