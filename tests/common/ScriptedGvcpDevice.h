// A GVCP device for tests, on 127.0.0.1 at a free port: a small register memory that answers
// READREG, WRITEREG, READMEM and WRITEMEM, and a script hook that can drop, delay, repeat,
// corrupt or replace each answer. Records every command it receives and the port it came from;
// the test can answer a command itself later (SendTo).
#pragma once

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "gev/Gvcp.h"
#include "gev/UdpSocket.h"
#include "ky/ByteOrder.h"

class ScriptedGvcpDevice
{
public:
    struct Reply
    {
        ky::gev::Packet bytes;
        std::chrono::milliseconds delay{0};
    };
    // Given the n-th received command (0-based) and the answer the memory would give, returns
    // the datagrams to send back (in order, each after its delay).
    using Script = std::function<std::vector<Reply>(size_t n, const ky::gev::Packet &command,
                                                    const ky::gev::Packet &answer)>;

    explicit ScriptedGvcpDevice(size_t memorySize = 0x1000) : mMemory(memorySize, 0)
    {
        (void)mSocket.Open(kLoopback, 0);  // Port() 0 then: the test's client finds nobody
        mPort = mSocket.LocalPort();
        mThread = std::thread([this] { Serve(); });
    }
    ~ScriptedGvcpDevice()
    {
        mStop = true;
        mThread.join();
    }

    uint16_t Port() const { return mPort; }
    void SetScript(Script script)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mScript = std::move(script);
    }
    std::vector<ky::gev::Packet> Received()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mReceived;
    }
    size_t ReceivedCount()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mReceived.size();
    }
    // The UDP port each received command came from, in the order of Received().
    std::vector<uint16_t> SenderPorts()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mSenderPorts;
    }
    // Sends a datagram to the sender of the n-th received command.
    void SendTo(size_t n, const ky::gev::Packet &bytes)
    {
        uint16_t port = 0;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            port = mSenderPorts.at(n);
        }
        (void)mSocket.SendTo(bytes.data(), bytes.size(), kLoopback, port);
    }
    void Poke(uint32_t address, const std::vector<uint8_t> &bytes)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        std::copy(bytes.begin(), bytes.end(), mMemory.begin() + address);
    }
    std::vector<uint8_t> Peek(uint32_t address, size_t count)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return std::vector<uint8_t>(mMemory.begin() + address, mMemory.begin() + address + count);
    }

    // The answer of the register memory to a command (a bare error ack where it must fail).
    ky::gev::Packet Answer(const uint8_t *data, size_t size)
    {
        using namespace ky::gev;
        Packet out;
        CommandHeader header;
        if (ParseCommandHeader(data, size, header) != CodecError::Ok)
            return out;
        switch (header.command) {
        case Command::READREG_CMD: {
            ReadRegCmd command;
            ReadRegAck ack;
            Parse(data, size, command);
            ack.header.ackId = header.requestId;
            for (uint32_t address : command.addresses) {
                if (address + 4 > mMemory.size())
                    return ErrorAck(Command::READREG_ACK, header.requestId, Status::INVALID_ADDRESS);
                ack.values.push_back(ReadWord(address));
            }
            Build(ack, out);
            break;
        }
        case Command::WRITEREG_CMD: {
            WriteRegCmd command;
            WriteRegAck ack;
            Parse(data, size, command);
            ack.header.ackId = header.requestId;
            for (const RegisterWrite &write : command.writes) {
                if (write.address + 4 > mMemory.size())
                    return ErrorAck(Command::WRITEREG_ACK, header.requestId, Status::INVALID_ADDRESS);
                ky::base::StoreBig32(mMemory.data() + write.address, write.value);
                ++ack.index;
            }
            Build(ack, out);
            break;
        }
        case Command::READMEM_CMD: {
            ReadMemCmd command;
            ReadMemAck ack;
            Parse(data, size, command);
            if (command.address + command.count > mMemory.size())
                return ErrorAck(Command::READMEM_ACK, header.requestId, Status::INVALID_ADDRESS);
            ack.header.ackId = header.requestId;
            ack.address = command.address;
            ack.data.assign(mMemory.begin() + command.address,
                            mMemory.begin() + command.address + command.count);
            Build(ack, out);
            break;
        }
        case Command::WRITEMEM_CMD: {
            WriteMemCmd command;
            WriteMemAck ack;
            Parse(data, size, command);
            if (command.address + command.data.size() > mMemory.size())
                return ErrorAck(Command::WRITEMEM_ACK, header.requestId, Status::INVALID_ADDRESS);
            std::copy(command.data.begin(), command.data.end(), mMemory.begin() + command.address);
            ack.header.ackId = header.requestId;
            ack.index = static_cast<uint16_t>(command.data.size());
            Build(ack, out);
            break;
        }
        default:
            break;
        }
        return out;
    }

    static ky::gev::Packet ErrorAck(ky::gev::Command code, uint16_t id, ky::gev::Status status)
    {
        ky::gev::AckHeader header;
        header.acknowledge = code;
        header.ackId = id;
        header.status = status;
        ky::gev::Packet out;
        ky::gev::BuildBareAck(header, out);
        return out;
    }

private:
    uint32_t ReadWord(uint32_t address) const { return ky::base::LoadBig32(mMemory.data() + address); }

    void Serve()
    {
        uint8_t buffer[2048];
        while (!mStop) {
            if (mSocket.WaitReadable(20) <= 0)
                continue;
            ky::gev::DatagramInfo from;
            const ssize_t size = mSocket.Receive(buffer, sizeof buffer, &from);
            if (size <= 0)
                continue;
            std::vector<Reply> replies;
            {
                std::lock_guard<std::mutex> lock(mMutex);
                ky::gev::Packet command(buffer, buffer + size);
                mReceived.push_back(command);
                mSenderPorts.push_back(from.sourcePort);
                ky::gev::Packet answer = Answer(buffer, static_cast<size_t>(size));
                if (mScript)
                    replies = mScript(mReceived.size() - 1, command, answer);
                else if (!answer.empty())
                    replies.push_back({answer, std::chrono::milliseconds(0)});
            }
            for (const Reply &reply : replies) {
                if (mStop)
                    break;  // a long series of replies ends with the device
                std::this_thread::sleep_for(reply.delay);
                (void)mSocket.SendTo(reply.bytes.data(), reply.bytes.size(), from.sourceIp, from.sourcePort);
            }
        }
    }

    static constexpr uint32_t kLoopback = 0x7F000001;
    ky::gev::UdpSocket mSocket;
    uint16_t mPort = 0;
    std::atomic<bool> mStop{false};
    std::mutex mMutex;
    Script mScript;
    std::vector<ky::gev::Packet> mReceived;
    std::vector<uint16_t> mSenderPorts;
    std::vector<uint8_t> mMemory;
    std::thread mThread;
};
