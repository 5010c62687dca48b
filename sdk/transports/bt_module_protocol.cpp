#include "sdk/transports/bt_module_protocol.h"

#include <cstring>

#include "sdk/support/debug_log.h"

namespace kavex::bt {

std::vector<uint8_t> BuildMessage(uint8_t type, uint8_t code, const std::vector<uint8_t>& data)
{
    const size_t n = data.size();
    std::vector<uint8_t> m{kStart, type, code, static_cast<uint8_t>(n & 0xFF), static_cast<uint8_t>(n >> 8 & 0xFF)};
    m.push_back(static_cast<uint8_t>(m[1] + m[2] + m[3] + m[4]));
    m.insert(m.end(), data.begin(), data.end());
    m.push_back(kEnd);
    return m;
}

std::vector<uint8_t> BuildDataRequest(const uint8_t* frame, size_t len)
{
    std::vector<uint8_t> data{0x02, static_cast<uint8_t>(len & 0xFF), static_cast<uint8_t>(len >> 8 & 0xFF)};
    data.insert(data.end(), frame, frame + len);
    return BuildMessage(kRequest, 0x0F, data);
}

size_t ModuleInput::Append(const uint8_t* data, size_t len)
{
    const size_t n = len < Space() ? len : Space();
    std::memcpy(buffer_ + fill_, data, n);
    fill_ += n;
    return n;
}

void ModuleInput::Discard(size_t n)
{
    std::memmove(buffer_, buffer_ + n, fill_ - n);
    fill_ -= n;
}

std::optional<ModuleMessage> ModuleInput::Next()
{
    for (;;) {
        size_t skip = 0;
        while (skip < fill_ && buffer_[skip] != kStart) ++skip;
        Discard(skip);
        // Six bytes hold the header and its checksum; a message without
        // data is complete at seven.
        if (fill_ < 6) return std::nullopt;
        const size_t n = buffer_[3] | static_cast<size_t>(buffer_[4]) << 8;
        const uint8_t sum = static_cast<uint8_t>(buffer_[1] + buffer_[2] + buffer_[3] + buffer_[4]);
        const char* fault = nullptr;
        if (sum != buffer_[5])
            fault = "checksum";
        else if (n + kFrameOverhead > kBufferSize)
            fault = "length";
        if (!fault) {
            if (fill_ < n + kFrameOverhead) return std::nullopt;
            if (buffer_[6 + n] != kEnd) fault = "end byte";
        }
        if (fault) {
            // The start byte was not a message's: look for the next one.
            ++dropped_;
            DebugLog("Bluetooth module: message dropped (%s), %zu so far", fault, dropped_);
            Discard(1);
            continue;
        }
        ModuleMessage m;
        m.id = static_cast<uint16_t>(buffer_[2] << 8 | buffer_[1]);
        m.data.assign(buffer_ + 6, buffer_ + 6 + n);
        Discard(n + kFrameOverhead);
        return m;
    }
}

} // namespace kavex::bt
