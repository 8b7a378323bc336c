// A raw GVCP peer for tests: sends datagrams to a device and waits (bounded) for answers.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "TestDeadline.h"
#include "gev/Gvcp.h"
#include "gev/UdpSocket.h"

class GvcpTestClient
{
public:
    explicit GvcpTestClient(const std::string &bindIp = "127.0.0.1")
    {
        ky::gev::UdpSocket::Options options;
        options.broadcast = true;
        (void)mSocket.Open(bindIp, 0, options);  // a test that needs it fails on its first exchange
    }
    GvcpTestClient(const GvcpTestClient &) = delete;
    GvcpTestClient &operator=(const GvcpTestClient &) = delete;

    uint16_t Port() const { return mSocket.LocalPort(); }

    void SendTo(const ky::gev::Packet &packet, const std::string &ip, uint16_t port = ky::gev::GVCP_PORT)
    {
        in_addr address{};
        inet_pton(AF_INET, ip.c_str(), &address);
        (void)mSocket.SendTo(packet.data(), packet.size(), ntohl(address.s_addr), port);
    }

    // The next datagram within the timeout; empty when none came.
    ky::gev::Packet Receive(int timeoutMs = 1000, std::string *fromIp = nullptr, uint16_t *fromPort = nullptr)
    {
        if (mSocket.WaitReadable(timeoutMs) <= 0) {
            return {};
        }
        ky::gev::Packet packet(2048);
        ky::gev::DatagramInfo from;
        const ssize_t size = mSocket.Receive(packet.data(), packet.size(), &from);
        packet.resize(size > 0 ? static_cast<size_t>(size) : 0);
        if (fromIp) {
            in_addr address{htonl(from.sourceIp)};
            char text[INET_ADDRSTRLEN];
            inet_ntop(AF_INET, &address, text, sizeof(text));
            *fromIp = text;
        }
        if (fromPort) {
            *fromPort = from.sourcePort;
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

    ky::gev::Status WriteReg(uint32_t address, uint32_t value, uint16_t id,
                             const std::string &ip = "127.0.0.1")
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
    ky::gev::UdpSocket mSocket;
};
