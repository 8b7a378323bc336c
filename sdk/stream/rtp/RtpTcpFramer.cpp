#include "rtp/RtpTcpFramer.h"

namespace ky::stream {

void RtpTcpFramer::Append(const std::uint8_t *data, std::size_t size)
{
    if (data == nullptr || size == 0)
        return;
    if (start_ > 0 && start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > 65536) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

bool RtpTcpFramer::Next(std::vector<std::uint8_t> &packet)
{
    for (;;) {
        const std::size_t available = buffer_.size() - start_;
        if (available < 2)
            return false;
        const std::size_t length = (static_cast<std::size_t>(buffer_[start_]) << 8) | buffer_[start_ + 1];
        if (available - 2 < length)
            return false;
        const auto first = buffer_.begin() + static_cast<std::ptrdiff_t>(start_ + 2);
        start_ += 2 + length;
        if (length == 0)
            continue;
        packet.assign(first, first + static_cast<std::ptrdiff_t>(length));
        return true;
    }
}

}  // namespace ky::stream
