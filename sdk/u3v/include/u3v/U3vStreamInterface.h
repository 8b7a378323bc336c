// U3vStreamInterface: the registers of a USB3 Vision stream interface (the SIRM, where the SBRM
// points), little-endian like the rest of the device's bootstrap. The device tells what one
// block needs (payload, leader and trailer sizes); the host answers how it will receive (largest
// leader and trailer, payload transfer size and count, the two final transfers) and then sets the
// enable bit. A device streams only while the bit is set.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ky::u3v {

constexpr uint64_t SIRM_INFO_OFFSET = 0x00;                     // RO u32: bits 24..31 log2 payload alignment
constexpr uint64_t SIRM_CONTROL_OFFSET = 0x04;                  // RW u32: bit 0 stream enable
constexpr uint64_t SIRM_REQUIRED_PAYLOAD_SIZE_OFFSET = 0x08;    // RO u64
constexpr uint64_t SIRM_REQUIRED_LEADER_SIZE_OFFSET = 0x10;     // RO u32
constexpr uint64_t SIRM_REQUIRED_TRAILER_SIZE_OFFSET = 0x14;    // RO u32
constexpr uint64_t SIRM_MAXIMUM_LEADER_SIZE_OFFSET = 0x18;      // RW u32
constexpr uint64_t SIRM_PAYLOAD_TRANSFER_SIZE_OFFSET = 0x1C;    // RW u32
constexpr uint64_t SIRM_PAYLOAD_TRANSFER_COUNT_OFFSET = 0x20;   // RW u32
constexpr uint64_t SIRM_PAYLOAD_FINAL_TRANSFER1_OFFSET = 0x24;  // RW u32
constexpr uint64_t SIRM_PAYLOAD_FINAL_TRANSFER2_OFFSET = 0x28;  // RW u32
constexpr uint64_t SIRM_MAXIMUM_TRAILER_SIZE_OFFSET = 0x2C;     // RW u32
constexpr size_t SIRM_SIZE = 0x44;                              // the rest reads as zero
constexpr uint32_t SIRM_CONTROL_STREAM_ENABLE = 1u << 0;
constexpr uint32_t SIRM_INFO_ALIGNMENT_SHIFT = 24;

// How the host receives the blocks of one stream interface: each block is one leader, `count`
// payload transfers of `transferSize` bytes, then up to two final transfers, then one trailer.
struct U3vStreamLayout
{
    uint32_t maximumLeaderSize = 0;
    uint32_t transferSize = 0;
    uint32_t transferCount = 0;
    uint32_t finalTransfer1Size = 0;
    uint32_t finalTransfer2Size = 0;
    uint32_t maximumTrailerSize = 0;

    // The payload bytes the layout takes.
    uint64_t Capacity() const
    {
        return uint64_t(transferSize) * transferCount + finalTransfer1Size + finalTransfer2Size;
    }
};

// The layout for payloads of `payloadSize` bytes sent in at most `maxTransfers` payload transfers
// (at least one) whose size is a multiple of `alignment` (a power of two): equal transfers and,
// where the payload does not divide, a shorter first final transfer.
U3vStreamLayout PlanStreamLayout(uint64_t payloadSize, uint32_t maxTransfers, uint32_t alignment,
                                 uint32_t leaderSize, uint32_t trailerSize);

}  // namespace ky::u3v
