// RTP carried over a byte stream (RFC 4571): each packet is preceded by its 16-bit big-endian
// length. Bytes are appended as they are read; whole packets come out in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ky::stream {

class RtpTcpFramer
{
public:
    void Append(const std::uint8_t *data, std::size_t size);

    // Copies the next whole packet into `packet`; false when no whole packet is buffered yet.
    // Zero-length frames carry nothing and are skipped.
    bool Next(std::vector<std::uint8_t> &packet);

    std::size_t Buffered() const { return buffer_.size() - start_; }

private:
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;
};

}  // namespace ky::stream
