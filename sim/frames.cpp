#include "sim/frames.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kavex::sim {

uint16_t Crc16Modbus(const uint8_t* data, size_t size)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            const bool out = (crc & 1) != 0;
            crc >>= 1;
            if (out) crc ^= 0xA001;
        }
    }
    return crc;
}

uint16_t Crc16Modbus(const Bytes& data)
{
    return Crc16Modbus(data.data(), data.size());
}

uint8_t Xor8(const uint8_t* data, size_t size)
{
    uint8_t x = 0;
    for (size_t i = 0; i < size; ++i) x ^= data[i];
    return x;
}

namespace {

bool FlagTrigger(uint8_t d1)
{
    return d1 == 0x21 || d1 == 0x22 || d1 == 0x27 || d1 == 0x29;
}

} // namespace

CommandFrame TranslateForWire(int variant, uint8_t command, const Bytes& data)
{
    CommandFrame out{command, data};
    if (variant != 2 && variant != 3) return out;
    const bool v2 = variant == 2;
    switch (command) {
    case 0x20: {
        const bool trig = data.size() >= 2 && FlagTrigger(data[1]);
        out.command = v2 ? 0x28 : 0x21;
        out.data.insert(out.data.begin(), v2 ? (trig ? 1 : 0) : (trig ? 8 : 4));
        break;
    }
    case 0x21: out.command = 0x29; break;
    case cmd::kIdentify: out.command = v2 ? 0x0B : 0x60; break;
    case cmd::kRfField:
        out.command = (!data.empty() && data[0] == 0) ? 0x0D : 0x0C;
        if (!out.data.empty()) out.data.erase(out.data.begin());
        break;
    case cmd::kReset:
    case cmd::kReset2: out.command = 0x07; break;
    case 0xF9:
    case 0xFA:
        if (v2) out.command = 0x0E;
        break;
    case cmd::kUsbMode:
        if (v2) out.command = 0x0F;
        break;
    default: break;
    }
    return out;
}

std::optional<CommandFrame> TranslateFromWire(int variant, uint8_t wire_command, const Bytes& wire_data,
                                              std::string* note)
{
    CommandFrame out{wire_command, wire_data};
    if (variant != 2 && variant != 3) return out;
    const bool v2 = variant == 2;
    auto untranslate20 = [&](uint8_t flag_set, uint8_t flag_clear) {
        out.command = 0x20;
        if (out.data.empty()) {
            if (note) *note = "command 0x20 without its flag byte";
            return;
        }
        const uint8_t flag = out.data[0];
        out.data.erase(out.data.begin());
        const uint8_t expected = (out.data.size() >= 2 && FlagTrigger(out.data[1])) ? flag_set : flag_clear;
        if (flag != expected && note) {
            char buf[80];
            std::snprintf(buf, sizeof buf, "flag byte %02X, expected %02X", flag, expected);
            *note = buf;
        }
    };
    switch (wire_command) {
    case 0x0B:
        if (!v2) return std::nullopt; // variant-2 identification request
        out.command = cmd::kIdentify;
        break;
    case 0x60:
        if (v2) return std::nullopt; // variant-3 identification request
        out.command = cmd::kIdentify;
        break;
    case 0x0C:
        out.command = cmd::kRfField;
        out.data.insert(out.data.begin(), 1);
        break;
    case 0x0D:
        out.command = cmd::kRfField;
        out.data.insert(out.data.begin(), 0);
        break;
    case 0x07: out.command = cmd::kReset; break;
    case 0x0E:
        if (v2) out.command = 0xF9;
        break;
    case 0x0F:
        if (v2) out.command = cmd::kUsbMode;
        break;
    case 0x28:
        if (v2) untranslate20(1, 0);
        break;
    case 0x21:
        if (!v2) untranslate20(8, 4);
        break;
    case 0x29: out.command = 0x21; break;
    default: break;
    }
    return out;
}

Bytes BuildRequestFrame(int variant, uint8_t address, uint8_t command, const Bytes& data)
{
    const CommandFrame w = TranslateForWire(variant, command, data);
    Bytes f;
    switch (variant) {
    case 0:
        f = {kStartByteV0, address, w.command, static_cast<uint8_t>(w.data.size())};
        f.insert(f.end(), w.data.begin(), w.data.end());
        f.push_back(Xor8(f.data() + 1, f.size() - 1));
        break;
    case 1: {
        f = {address, w.command, static_cast<uint8_t>(w.data.size())};
        f.insert(f.end(), w.data.begin(), w.data.end());
        const uint16_t crc = Crc16Modbus(f);
        f.push_back(static_cast<uint8_t>(crc & 0xFF));
        f.push_back(static_cast<uint8_t>(crc >> 8));
        break;
    }
    default:
        f = {kStartByteV23, w.command, static_cast<uint8_t>(w.data.size())};
        f.insert(f.end(), w.data.begin(), w.data.end());
        break;
    }
    return f;
}

Bytes BuildAnswerFrame(int variant, uint8_t address, uint8_t status, const Bytes& data, bool block_form,
                       size_t block_size)
{
    if (block_size == 0 || block_size > kMaxBlock) block_size = kMaxBlock;
    const bool blocks = block_form || data.size() > kMaxBlock;
    Bytes f;
    if (variant == 0) f.push_back(kStartByteV0);
    if (variant == 0 || variant == 1)
        f.push_back(address);
    else
        f.push_back(kStartByteV23);
    f.push_back(status);
    if (!blocks) {
        f.push_back(static_cast<uint8_t>(data.size()));
        f.insert(f.end(), data.begin(), data.end());
    } else {
        f.push_back(kBlockFormLen);
        for (size_t pos = 0; pos < data.size(); pos += block_size) {
            const size_t n = std::min(block_size, data.size() - pos);
            f.push_back(static_cast<uint8_t>(n));
            f.insert(f.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
                     data.begin() + static_cast<std::ptrdiff_t>(pos + n));
        }
        f.push_back(kBlockEnd);
    }
    if (variant == 0) {
        f.push_back(Xor8(f.data() + 1, f.size() - 1));
    } else if (variant == 1) {
        const uint16_t crc = Crc16Modbus(f);
        f.push_back(static_cast<uint8_t>(crc & 0xFF));
        f.push_back(static_cast<uint8_t>(crc >> 8));
    }
    return f;
}

std::optional<DecodedAnswer> DecodeAnswerFrame(int variant, const Bytes& b)
{
    const size_t status_at = variant == 0 ? 2 : 1;
    const size_t len_at = status_at + 1;
    const size_t check = variant == 0 ? 1 : variant == 1 ? 2 : 0;
    if (variant == 0 && (b.empty() || b[0] != kStartByteV0)) return std::nullopt;
    if ((variant == 2 || variant == 3) && (b.empty() || b[0] != kStartByteV23)) return std::nullopt;
    if (b.size() <= len_at) return std::nullopt;
    DecodedAnswer a;
    a.status = b[status_at];
    const uint8_t len = b[len_at];
    size_t end; // index of the first checksum byte
    if (len != kBlockFormLen) {
        end = len_at + 1 + len;
        if (b.size() < end + check) return std::nullopt;
        a.data.assign(b.begin() + static_cast<std::ptrdiff_t>(len_at + 1),
                      b.begin() + static_cast<std::ptrdiff_t>(end));
    } else {
        a.block_form = true;
        size_t pos = len_at + 1;
        for (;;) {
            if (pos >= b.size()) return std::nullopt;
            const uint8_t n = b[pos];
            if (n == kBlockEnd) {
                end = pos + 1;
                break;
            }
            if (pos + 1 + n > b.size()) return std::nullopt;
            a.data.insert(a.data.end(), b.begin() + static_cast<std::ptrdiff_t>(pos + 1),
                          b.begin() + static_cast<std::ptrdiff_t>(pos + 1 + n));
            pos += 1 + n;
        }
        if (b.size() < end + check) return std::nullopt;
    }
    a.frame_size = end + check;
    if (variant == 0) {
        a.checksum_ok = Xor8(b.data() + 1, end - 1) == b[end];
    } else if (variant == 1) {
        const uint16_t crc = Crc16Modbus(b.data(), end);
        a.checksum_ok = b[end] == (crc & 0xFF) && b[end + 1] == (crc >> 8);
    }
    return a;
}

std::string ToHex(const uint8_t* data, size_t size)
{
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    s.reserve(size * 3);
    for (size_t i = 0; i < size; ++i) {
        if (i) s.push_back(' ');
        s.push_back(digits[data[i] >> 4]);
        s.push_back(digits[data[i] & 15]);
    }
    return s;
}

std::string ToHex(const Bytes& data)
{
    return ToHex(data.data(), data.size());
}

std::optional<Bytes> ParseHex(const std::string& text)
{
    Bytes out;
    auto is_sep = [](char c) {
        return std::isspace(static_cast<unsigned char>(c)) || c == ':' || c == '-' || c == ',' || c == '.';
    };
    size_t i = 0;
    while (i < text.size()) {
        if (is_sep(text[i])) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < text.size() && !is_sep(text[j])) ++j;
        std::string group = text.substr(i, j - i);
        if (group.size() >= 2 && group[0] == '0' && (group[1] == 'x' || group[1] == 'X')) group.erase(0, 2);
        if (group.empty() || group.size() % 2 != 0) return std::nullopt;
        for (size_t k = 0; k < group.size(); k += 2) {
            int v = 0;
            for (size_t m = k; m < k + 2; ++m) {
                const char c = group[m];
                int d;
                if (c >= '0' && c <= '9')
                    d = c - '0';
                else if (c >= 'a' && c <= 'f')
                    d = c - 'a' + 10;
                else if (c >= 'A' && c <= 'F')
                    d = c - 'A' + 10;
                else
                    return std::nullopt;
                v = v * 16 + d;
            }
            out.push_back(static_cast<uint8_t>(v));
        }
        i = j;
    }
    return out;
}

} // namespace kavex::sim
