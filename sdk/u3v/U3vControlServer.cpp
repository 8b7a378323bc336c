#include "u3v/U3vControlServer.h"

#include <chrono>

namespace ky::u3v {

namespace {
constexpr uint32_t POLL_MS = 50;
}

U3vControlServer::U3vControlServer(IUsbBulkPipe &pipe, IU3vMemory &memory, uint32_t maxCommand,
                                   uint32_t maxAck)
    : mPipe(pipe), mMemory(memory), mMaxCommand(maxCommand), mMaxAck(maxAck)
{ }

U3vControlServer::~U3vControlServer() { Stop(); }

void U3vControlServer::Start()
{
    if (mThread.joinable()) {
        return;
    }
    mRunning = true;
    mThread = std::thread([this] { Run(); });
}

void U3vControlServer::Stop()
{
    mRunning = false;
    if (mThread.joinable() && mThread.get_id() != std::this_thread::get_id()) {
        mThread.join();
    }
}

void U3vControlServer::SetPendingAcks(unsigned count, uint16_t timeoutMs)
{
    mPendingTimeout = timeoutMs;
    mPendingCount = count;
}

void U3vControlServer::Run()
{
    std::vector<uint8_t> command(mMaxCommand);
    std::vector<uint8_t> ack;
    while (mRunning) {
        size_t received = 0;
        TransferStatus status = mPipe.Read(command.data(), command.size(), received, POLL_MS);
        if (status == TransferStatus::Disconnected) {
            break;
        }
        if (status == TransferStatus::Stall) {
            std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
            continue;
        }
        if (status != TransferStatus::Ok) {
            continue;  // time-out, or an oversized command dropped by the endpoint
        }
        GenCpHeader header;
        if (ParseHeader(command.data(), received, header) == GenCpError::Ok) {
            for (unsigned k = 0, n = mPendingCount; k < n; ++k) {
                BuildPendingAck(header.requestId, mPendingTimeout, ack);
                (void)mPipe.Write(ack.data(), ack.size(), POLL_MS * 20);
            }
        }
        if (Handle(command.data(), received, ack)) {
            if (mPipe.Write(ack.data(), ack.size(), POLL_MS * 20) == TransferStatus::Disconnected) {
                break;
            }
        }
    }
}

bool U3vControlServer::Handle(const uint8_t *data, size_t size, std::vector<uint8_t> &ack)
{
    GenCpHeader header;
    GenCpError error = ParseHeader(data, size, header);
    if (error == GenCpError::TooShort || header.magic != GENCP_PREFIX_MAGIC) {
        return false;  // nothing trustworthy to answer
    }
    const uint16_t id = header.requestId;
    const bool wantsAck = (header.flagsOrStatus & GENCP_FLAG_REQUEST_ACK) != 0;
    const auto ackOf = static_cast<GenCpCommand>(header.command + 1);
    if (error != GenCpError::Ok) {
        BuildEmptyAck(id, ackOf, GenCpStatus::InvalidHeader, ack);
        return true;
    }
    switch (static_cast<GenCpCommand>(header.command)) {
    case GenCpCommand::ReadMem: {
        uint64_t address = 0;
        uint16_t count = 0;
        if (ParseReadMem(data, size, header, address, count) != GenCpError::Ok) {
            BuildEmptyAck(id, GenCpCommand::ReadMemAck, GenCpStatus::InvalidHeader, ack);
        } else if (count == 0 || count > mMaxAck - GENCP_HEADER_SIZE) {
            BuildEmptyAck(id, GenCpCommand::ReadMemAck, GenCpStatus::InvalidParameter, ack);
        } else {
            mScratch.assign(count, 0);
            GenCpStatus status = mMemory.Read(address, mScratch.data(), count);
            (void)BuildReadMemAck(id, status, mScratch.data(), count, ack);
        }
        return wantsAck;
    }
    case GenCpCommand::WriteMem: {
        uint64_t address = 0;
        const uint8_t *bytes = nullptr;
        size_t count = 0;
        if (ParseWriteMem(data, size, header, address, bytes, count) != GenCpError::Ok) {
            BuildEmptyAck(id, GenCpCommand::WriteMemAck, GenCpStatus::InvalidHeader, ack);
        } else if (count == 0 || size > mMaxCommand) {
            BuildWriteMemAck(id, GenCpStatus::InvalidParameter, 0, ack);
        } else {
            GenCpStatus status = mMemory.Write(address, bytes, count);
            BuildWriteMemAck(id, status, status == GenCpStatus::Success ? static_cast<uint16_t>(count) : 0,
                             ack);
        }
        return wantsAck;
    }
    default:
        BuildEmptyAck(id, ackOf, GenCpStatus::NotImplemented, ack);
        return wantsAck;
    }
}

}  // namespace ky::u3v
