#include "sdk/core/frame.h"

namespace kavex::frame {

namespace {

constexpr uint8_t kStartVariant0 = 0x02;
constexpr uint8_t kStartVariant23 = 0x1E;
constexpr uint8_t kBlockForm = 0xFF;

bool IsReadCommandSubcode(uint8_t b)
{
    return b == 0x21 || b == 0x22 || b == 0x27 || b == 0x29;
}

// Bytes of an answer before its data, and the checksum bytes after it.
size_t HeaderLength(uint8_t variant)
{
    return variant == 0 ? 4 : 3;
}
size_t ChecksumLength(uint8_t variant)
{
    if (variant == 1) return 2;
    return variant >= 2 ? 0 : 1;
}
size_t LengthOffset(uint8_t variant)
{
    return variant == 0 ? 3 : 2;
}

} // namespace

uint16_t Crc16Modbus(const uint8_t* data, size_t len)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < len; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

uint8_t Bcc(const uint8_t* data, size_t len)
{
    uint8_t x = 0;
    for (size_t i = 0; i < len; ++i) x ^= data[i];
    return x;
}

void TranslateCommand(std::vector<uint8_t>& buf, uint8_t variant)
{
    if (variant != 2 && variant != 3) return;
    if (buf.empty()) return;
    const bool v2 = variant == 2;
    uint8_t& cmd = buf[0];
    switch (cmd) {
    case 0x20: {
        const bool read = buf.size() >= 3 && IsReadCommandSubcode(buf[2]);
        const uint8_t flag = v2 ? (read ? 1 : 0) : (read ? 8 : 4);
        cmd = v2 ? 0x28 : 0x21;
        buf.insert(buf.begin() + 1, flag);
        break;
    }
    case 0x21: cmd = 0x29; break;
    case 0xF0: cmd = v2 ? 0x0B : 0x60; break;
    case 0xF5:
        if (buf.size() >= 2) {
            cmd = buf[1] == 0 ? 0x0D : 0x0C;
            buf.erase(buf.begin() + 1);
        } else {
            cmd = 0x0C;
        }
        break;
    case 0xF6:
    case 0xF7: cmd = 0x07; break;
    case 0xF9:
    case 0xFA:
        if (v2) cmd = 0x0E;
        break;
    case 0xFF:
        if (v2) cmd = 0x0F;
        break;
    default: break;
    }
}

bool BuildRequest(std::vector<uint8_t>& buf, uint8_t variant, uint8_t address, uint8_t& lastCommand)
{
    if (buf.empty()) return false;
    std::vector<uint8_t> work = buf;
    TranslateCommand(work, variant);
    const size_t dataLen = work.size() - 1;
    if (dataLen > 255) return false;
    lastCommand = work[0];
    work.insert(work.begin() + 1, static_cast<uint8_t>(dataLen));
    if (variant == 1) {
        work.insert(work.begin(), address);
        const uint16_t crc = Crc16Modbus(work.data(), work.size());
        work.push_back(static_cast<uint8_t>(crc & 0xFF));
        work.push_back(static_cast<uint8_t>(crc >> 8));
    } else if (variant == 2 || variant == 3) {
        work.insert(work.begin(), kStartVariant23);
    } else {
        work.insert(work.begin(), {kStartVariant0, address});
        work.push_back(Bcc(work.data() + 1, work.size() - 1));
    }
    buf.swap(work);
    return true;
}

size_t MinimumAnswerLength(uint8_t variant)
{
    return variant >= 2 ? 3 : 4;
}

int StartByte(uint8_t variant)
{
    if (variant == 1) return -1;
    return variant >= 2 ? kStartVariant23 : kStartVariant0;
}

size_t AnswerLength(const std::vector<uint8_t>& buf, uint8_t variant)
{
    if (buf.size() < MinimumAnswerLength(variant)) return 0;
    const uint8_t len = buf[LengthOffset(variant)];
    if (len != kBlockForm) {
        const size_t total = len + HeaderLength(variant) + ChecksumLength(variant);
        return buf.size() >= total ? total : 0;
    }
    size_t pos = HeaderLength(variant);
    while (pos < buf.size()) {
        const uint8_t n = buf[pos];
        if (n == kBlockForm) {
            const size_t total = pos + 1 + ChecksumLength(variant);
            return buf.size() >= total ? total : 0;
        }
        pos += static_cast<size_t>(n) + 1;
    }
    return 0;
}

bool AnswerComplete(const std::vector<uint8_t>& buf, uint8_t variant)
{
    return AnswerLength(buf, variant) != 0;
}

bool AnswerWait::Advance(std::vector<uint8_t>& buf, bool& stageBegan)
{
    const size_t minimum = MinimumAnswerLength(variant_);
    const int start = StartByte(variant_);
    stageBegan = false;
    for (;;) {
        switch (stage_) {
        case Stage::Minimum:
            if (buf.size() < minimum) return false;
            // Variant 1 has no start byte to look for.
            stage_ = start < 0 ? Stage::Complete : Stage::Synchronise;
            stageBegan = true;
            break;
        case Stage::Synchronise: {
            size_t drop = 0;
            while (drop < buf.size() && buf[drop] != start) ++drop;
            buf.erase(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(drop));
            if (buf.empty()) return false;
            stage_ = Stage::MinimumAfterSync;
            break;
        }
        case Stage::MinimumAfterSync:
            if (buf.size() < minimum) return false;
            stage_ = Stage::Complete;
            stageBegan = true;
            break;
        case Stage::Complete: return AnswerComplete(buf, variant_);
        }
    }
}

namespace {

bool ChecksumOk(const std::vector<uint8_t>& a, uint8_t variant)
{
    if (variant == 2 || variant == 3) return true;
    if (variant == 1) {
        if (a.size() < 2) return false;
        const uint16_t crc = Crc16Modbus(a.data(), a.size() - 2);
        return a[a.size() - 2] == (crc & 0xFF) && a[a.size() - 1] == (crc >> 8);
    }
    if (a.size() < 2) return false;
    return Bcc(a.data() + 1, a.size() - 2) == a.back();
}

// Cuts the frame down to its data: header in front, and behind it the
// checksum plus, in block form, the end marker.
void StripFrame(std::vector<uint8_t>& a, uint8_t variant)
{
    const bool block = a[LengthOffset(variant)] == kBlockForm;
    const size_t tail = ChecksumLength(variant) + (block ? 1 : 0);
    const size_t head = HeaderLength(variant);
    if (a.size() <= head + tail) {
        a.clear();
        return;
    }
    a.erase(a.end() - static_cast<std::ptrdiff_t>(tail), a.end());
    a.erase(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(head));
}

int Variant0Status(uint8_t s)
{
    if (s == 3 || s == 25) return 23;
    if (s == 7) return 44;
    return s;
}

int Variant23Status(uint8_t s, uint8_t lastCommand)
{
    switch (s) {
    case 0xA0: return 24;
    case 0xA4: return 20;
    case 0x88: return 17;
    case 0xCC: return 23;
    case 0xC4:
    case 0xC5: return 21;
    default: return s == lastCommand ? kStatusOk : kStatusCommandError;
    }
}

} // namespace

bool DecodeAnswer(std::vector<uint8_t>& a, uint8_t variant, uint8_t lastCommand, int& status)
{
    if (a.empty()) {
        status = kStatusAnswerEmpty;
        return false;
    }
    // Bytes behind the end of the frame are not part of the answer, and the
    // answer is not to be trusted: a byte that happens to equal the frame's
    // checksum would pass, and the checksum byte would become data; where a
    // variant has no checksum the noise itself would.
    const size_t length = AnswerLength(a, variant);
    if (length != 0 && length < a.size()) {
        status = (variant == 2 || variant == 3) ? kStatusCommandError : kStatusChecksumError;
        return false;
    }
    // Shorter than the fixed part of an answer: nothing in it can be
    // trusted, and reading its fields would run past its end.
    const size_t fixed = HeaderLength(variant) + ChecksumLength(variant);
    if (a.size() < fixed || !ChecksumOk(a, variant)) {
        status = (variant == 2 || variant == 3) ? kStatusCommandError : kStatusChecksumError;
        return false;
    }
    if (variant == 1) {
        if (a[1] != 0) {
            status = a[1];
            return false;
        }
        status = kStatusOk;
    } else if (variant == 2 || variant == 3) {
        status = Variant23Status(a[1], lastCommand);
        if (status != kStatusOk) return false;
    } else {
        const uint8_t s = a[2];
        if (s != 0 && s != 0x20) {
            status = Variant0Status(s);
            return false;
        }
        status = s == 0x20 ? kStatusMoreData : kStatusOk;
    }
    StripFrame(a, variant);
    return true;
}

} // namespace kavex::frame
