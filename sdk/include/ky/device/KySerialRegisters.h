// The register block of a device's serial port (UART), as the kit's soft devices have it and
// KyDeviceSerialPort drives it through the device's control link. All registers are 32 bits
// wide, in the device's byte order; the FIFO windows are reached with memory reads and writes
// whose lengths are multiples of 4.
//
//   CONTROL   RW  bit 0: loop back (what is sent is received; set at start)
//   STATUS    RO  bit 0: receive FIFO not empty; bit 1: receive FIFO overflowed (bytes were
//                 dropped; cleared by reading); bits 16-31: bytes in the receive FIFO
//   BAUD_RATE RW  bits per second on the line, SERIAL_BAUD_RATE_MIN to SERIAL_BAUD_RATE_MAX
//   TX_COUNT  WO  n (1 to SERIAL_WINDOW_SIZE): the first n bytes of TX_WINDOW go on the line
//   RX_TAKE   WO  n: moves up to n bytes (at most SERIAL_WINDOW_SIZE) from the receive FIFO to
//                 RX_WINDOW
//   RX_TAKEN  RO  how many bytes the last RX_TAKE moved
//   TX_WINDOW WO  SERIAL_WINDOW_SIZE bytes to send
//   RX_WINDOW RO  SERIAL_WINDOW_SIZE bytes received
#pragma once

#include <cstdint>

namespace ky::serial {

constexpr uint32_t SERIAL_BLOCK_OFFSET = 0x3FFF0300;
constexpr uint32_t SERIAL_CONTROL_OFFSET = SERIAL_BLOCK_OFFSET + 0x00;
constexpr uint32_t SERIAL_STATUS_OFFSET = SERIAL_BLOCK_OFFSET + 0x04;
constexpr uint32_t SERIAL_BAUD_RATE_OFFSET = SERIAL_BLOCK_OFFSET + 0x08;
constexpr uint32_t SERIAL_TX_COUNT_OFFSET = SERIAL_BLOCK_OFFSET + 0x0C;
constexpr uint32_t SERIAL_RX_TAKE_OFFSET = SERIAL_BLOCK_OFFSET + 0x10;
constexpr uint32_t SERIAL_RX_TAKEN_OFFSET = SERIAL_BLOCK_OFFSET + 0x14;
constexpr uint32_t SERIAL_TX_WINDOW_OFFSET = SERIAL_BLOCK_OFFSET + 0x100;
constexpr uint32_t SERIAL_RX_WINDOW_OFFSET = SERIAL_BLOCK_OFFSET + 0x200;
constexpr uint32_t SERIAL_WINDOW_SIZE = 256;

constexpr uint32_t SERIAL_CONTROL_LOOPBACK = 1u << 0;
constexpr uint32_t SERIAL_STATUS_RX_READY = 1u << 0;
constexpr uint32_t SERIAL_STATUS_RX_OVERFLOW = 1u << 1;
constexpr uint32_t SERIAL_STATUS_RX_COUNT_SHIFT = 16;

constexpr uint32_t SERIAL_BAUD_RATE_DEFAULT = 115200;
constexpr uint32_t SERIAL_BAUD_RATE_MIN = 300;
constexpr uint32_t SERIAL_BAUD_RATE_MAX = 4000000;
// The device's receive FIFO; what arrives while it is full is dropped (STATUS bit 1).
constexpr uint32_t SERIAL_RX_FIFO_SIZE = 4096;
// Bits on the line per byte: start bit, 8 data bits, stop bit.
constexpr uint32_t SERIAL_BITS_PER_BYTE = 10;

}  // namespace ky::serial
