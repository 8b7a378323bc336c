#include "u3v/U3vControlClient.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace ky::u3v {

KyResult StatusToResult(GenCpStatus status)
{
    switch (status) {
    case GenCpStatus::Success:
        return KyResult(KY_OK);
    case GenCpStatus::NotImplemented:
        return KyResult(KY_NOT_IMPLEMENTED, "the device does not implement the command");
    case GenCpStatus::InvalidParameter:
        return KyResult(KY_INVALID_PARAMETER, "the device refused a parameter of the command");
    case GenCpStatus::InvalidAddress:
        return KyResult(KY_INVALID_PARAMETER, "the device has no register at this address");
    case GenCpStatus::BadAlignment:
        return KyResult(KY_INVALID_PARAMETER, "the device refused the alignment of the address or length");
    case GenCpStatus::WriteProtect:
        return KyResult(KY_NOT_SUPPORTED, "the register is read-only");
    case GenCpStatus::AccessDenied:
        return KyResult(KY_STATE_ERROR, "the device refuses access");
    case GenCpStatus::Busy:
        return KyResult(KY_BUSY, "the device is busy");
    case GenCpStatus::MsgTimeout:
        return KyResult(KY_TIMEOUT, "the device timed out");
    case GenCpStatus::InvalidHeader:
        return KyResult(KY_INVALID_DATA_FORMAT, "the device could not read the command");
    case GenCpStatus::WrongConfig:
        return KyResult(KY_STATE_ERROR, "the device's configuration does not allow the command");
    case GenCpStatus::GenericError:
        break;
    }
    return KyResult(KY_GENERIC_ERROR, "the device reported an error");
}

uint16_t U3vControlClient::NextRequestId()
{
    ++mLastRequestId;
    if (mLastRequestId == 0) {
        mLastRequestId = 1;
    }
    return mLastRequestId;
}

KyResult U3vControlClient::SetMaxTransfer(uint32_t maxCommand, uint32_t maxAck)
{
    if (maxCommand < GENCP_HEADER_SIZE + GENCP_WRITEMEM_SCD_MIN_SIZE + 4 || maxAck < GENCP_HEADER_SIZE + 4) {
        return KyResult(KY_INVALID_PARAMETER, "transfer limits too small to carry data");
    }
    std::lock_guard<std::mutex> lock(mMutex);
    mMaxCommand = std::min<uint32_t>(maxCommand, GENCP_HEADER_SIZE + GENCP_MAX_SCD_SIZE);
    mMaxAck = std::min<uint32_t>(maxAck, GENCP_HEADER_SIZE + GENCP_MAX_SCD_SIZE);
    return KyResult(KY_OK);
}

void U3vControlClient::SetTimeout(uint32_t timeoutMs, unsigned retries)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mTimeoutMs = timeoutMs;
    mRetries = retries;
}

uint64_t U3vControlClient::GetPendingAckCount() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mPendingAcks;
}

uint64_t U3vControlClient::GetDroppedAckCount() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mDroppedAcks;
}

KyResult U3vControlClient::ReadMemory(uint64_t address, uint8_t *data, size_t size)
{
    if (data == nullptr && size != 0) {
        return KyResult(KY_INVALID_PARAMETER, "no buffer for the read");
    }
    if (size != 0 && address > UINT64_MAX - (size - 1)) {
        return KyResult(KY_INVALID_PARAMETER, "the range wraps past the end of the address space");
    }
    std::lock_guard<std::mutex> lock(mMutex);
    // Chunks stay multiples of 4 so that every chunk but the last is aligned like the first.
    const size_t chunk = std::min<size_t>((mMaxAck - GENCP_HEADER_SIZE) & ~size_t(3), 0xFFFC);
    for (size_t done = 0; done < size;) {
        const size_t count = std::min(chunk, size - done);
        KyResult result = ReadChunk(address + done, data + done, static_cast<uint16_t>(count));
        if (!result.IsOK()) {
            std::memset(data, 0, size);
            return result;
        }
        done += count;
    }
    return KyResult(KY_OK);
}

KyResult U3vControlClient::WriteMemory(uint64_t address, const uint8_t *data, size_t size)
{
    if (data == nullptr && size != 0) {
        return KyResult(KY_INVALID_PARAMETER, "no data for the write");
    }
    if (size != 0 && address > UINT64_MAX - (size - 1)) {
        return KyResult(KY_INVALID_PARAMETER, "the range wraps past the end of the address space");
    }
    std::lock_guard<std::mutex> lock(mMutex);
    const size_t chunk = (mMaxCommand - GENCP_HEADER_SIZE - GENCP_WRITEMEM_SCD_MIN_SIZE) & ~size_t(3);
    for (size_t done = 0; done < size;) {
        const size_t count = std::min(chunk, size - done);
        KyResult result = WriteChunk(address + done, data + done, count);
        if (!result.IsOK()) {
            return result;
        }
        done += count;
    }
    return KyResult(KY_OK);
}

KyResult U3vControlClient::ReadChunk(uint64_t address, uint8_t *data, uint16_t count)
{
    const uint16_t requestId = NextRequestId();
    BuildReadMem(requestId, address, count, mCommand);
    GenCpHeader ack;
    KyResult result = Transact(mCommand, requestId, GenCpCommand::ReadMemAck, ack);
    if (!result.IsOK()) {
        return result;
    }
    if (ack.length != count) {
        return KyResult(KY_INVALID_DATA_FORMAT, "the device answered a read with another length");
    }
    std::memcpy(data, mAck.data() + GENCP_HEADER_SIZE, count);
    return KyResult(KY_OK);
}

KyResult U3vControlClient::WriteChunk(uint64_t address, const uint8_t *data, size_t count)
{
    const uint16_t requestId = NextRequestId();
    if (BuildWriteMem(requestId, address, data, count, mCommand) != GenCpError::Ok) {
        return KyResult(KY_INVALID_PARAMETER, "write too long for one command");
    }
    GenCpHeader ack;
    KyResult result = Transact(mCommand, requestId, GenCpCommand::WriteMemAck, ack);
    if (!result.IsOK()) {
        return result;
    }
    uint16_t written = 0;
    if (ParseWriteMemAckPayload(mAck.data() + GENCP_HEADER_SIZE, ack.length, written) != GenCpError::Ok) {
        return KyResult(KY_INVALID_DATA_FORMAT, "malformed write acknowledgement");
    }
    if (written != count) {
        return KyResult(KY_GENERIC_ERROR, "the device wrote fewer bytes than sent");
    }
    return KyResult(KY_OK);
}

KyResult U3vControlClient::Transact(const std::vector<uint8_t> &command, uint16_t requestId,
                                    GenCpCommand ackCode, GenCpHeader &ackHeader)
{
    KyResult result(KY_TIMEOUT);
    for (unsigned attempt = 0; attempt <= mRetries; ++attempt) {
        TransferStatus sent = mPipe.Write(command.data(), command.size(), mTimeoutMs);
        if (sent == TransferStatus::Stall) {
            mPipe.ClearStall();
            return ToResult(sent);
        }
        if (sent != TransferStatus::Ok) {
            if (sent == TransferStatus::Timeout) {
                result = ToResult(sent);
                continue;
            }
            return ToResult(sent);
        }
        result = AwaitAck(requestId, ackCode, ackHeader);
        if (result.GetCode() != KY_TIMEOUT) {
            return result;
        }
    }
    return result;
}

KyResult U3vControlClient::AwaitAck(uint16_t requestId, GenCpCommand ackCode, GenCpHeader &ackHeader)
{
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::milliseconds(mTimeoutMs);
    mAck.resize(mMaxAck);
    for (;;) {
        auto now = Clock::now();
        if (now >= deadline) {
            return KyResult(KY_TIMEOUT, "no acknowledgement from the device");
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        size_t received = 0;
        mAck.resize(mMaxAck);
        TransferStatus status =
            mPipe.Read(mAck.data(), mAck.size(), received, static_cast<uint32_t>(left + 1));
        if (status == TransferStatus::Timeout) {
            continue;
        }
        if (status == TransferStatus::Overflow) {
            ++mDroppedAcks;
            continue;
        }
        if (status == TransferStatus::Stall) {
            mPipe.ClearStall();
            return ToResult(status);
        }
        if (status != TransferStatus::Ok) {
            return ToResult(status);
        }
        GenCpHeader header;
        if (ParseHeader(mAck.data(), received, header) != GenCpError::Ok ||
            header.magic != GENCP_PREFIX_MAGIC || header.requestId != requestId) {
            ++mDroppedAcks;
            continue;
        }
        if (header.command == static_cast<uint16_t>(GenCpCommand::PendingAck)) {
            uint16_t extra = 0;
            if (ParsePendingAckPayload(mAck.data() + GENCP_HEADER_SIZE, header.length, extra) ==
                GenCpError::Ok) {
                ++mPendingAcks;
                deadline = Clock::now() + std::chrono::milliseconds(extra);
            } else {
                ++mDroppedAcks;
            }
            continue;
        }
        if (header.command != static_cast<uint16_t>(ackCode)) {
            ++mDroppedAcks;
            continue;
        }
        ackHeader = header;
        return StatusToResult(static_cast<GenCpStatus>(header.flagsOrStatus));
    }
}

}  // namespace ky::u3v
