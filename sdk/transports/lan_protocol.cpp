#include "sdk/transports/lan_protocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kavex::lan {

namespace {

bool NameCharacter(uint8_t c)
{
    return c >= 0x20 && c < 0x7F && c != '[' && c != ']';
}

// One half of the identity: up to 8 characters, ended early by a NUL.
bool AppendHalf(std::string& out, const uint8_t* p)
{
    for (size_t i = 0; i < 8 && p[i] != 0; ++i) {
        if (!NameCharacter(p[i])) return false;
        out.push_back(static_cast<char>(p[i]));
    }
    return true;
}

std::optional<int> DecimalPort(const std::string& text)
{
    if (text.empty() || text.size() > 5) return std::nullopt;
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

} // namespace

Bytes ReadRecordRequest(int record)
{
    return {0x00, 0x01, 0x00, static_cast<uint8_t>(record == 0 ? 0xF8 : 0xE0 + record)};
}

uint8_t ReadRecordAnswer(int record)
{
    return static_cast<uint8_t>(record == 0 ? 0xF9 : 0xD0 + record);
}

Bytes ModuleInfoRequest()
{
    return {0x00, 0x01, 0x00, 0xF6};
}

Bytes WriteRecordRequest(int record, const Bytes& data)
{
    Bytes d(4 + data.size(), 0);
    d[1] = record == 0 ? 0x00 : 0x01;
    d[3] = static_cast<uint8_t>(record == 0 ? 0xFD : 0xC0 + record);
    std::copy(data.begin(), data.end(), d.begin() + 4);
    return d;
}

uint8_t WriteRecordAnswer(int record)
{
    return static_cast<uint8_t>(record == 0 ? 0xFB : 0xB0 + record);
}

Bytes RestartRequest()
{
    return {0x00, 0x00, 0x00, 0x03, 'X', '3'};
}

Bytes SetAddressExtendedRequest(const std::array<uint8_t, 6>& hardware, const ModuleSettings& s)
{
    static const char kHead[] = "\0\0\0\xFCIP-SETUPEX";
    Bytes d(14 + 36, 0);
    std::memcpy(d.data(), kHead, 14);
    uint8_t* p = d.data() + 14;
    std::memcpy(p, hardware.data(), 6);
    Store32(p + 6, s.address);
    p[10] = static_cast<uint8_t>(s.tcpPort & 0xFF);
    p[11] = static_cast<uint8_t>(s.tcpPort >> 8);
    Store32(p + 12, s.mask);
    Store32(p + 16, s.gateway);
    std::memcpy(p + 20, s.identity.data(), std::min(s.identity.size(), kIdentityLength));
    return d;
}

Bytes SetAddressShortRequest(const std::array<uint8_t, 6>& hardware, uint32_t address)
{
    Bytes d = {0x00, 0x00, 0x00, 0xFC, 'I',         'P',         '-', 'S', 'E', 'T',
               'U',  'P',  0x00, 0x00, hardware[4], hardware[5], 0,   0,   0,   0};
    Store32(d.data() + 16, address);
    return d;
}

uint32_t Load32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

void Store32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

std::optional<Record0> ParseRecord0(const uint8_t* payload, size_t size)
{
    if (!payload || size < kRecordMinimum) return std::nullopt;
    Record0 r;
    r.address = Load32(payload + kRec0Address);
    r.hostBits = payload[kRec0HostBits];
    r.gateway = Load32(payload + kRec0Gateway);
    r.tcpPort = static_cast<uint16_t>(payload[kRec0TcpPort] | (payload[kRec0TcpPort + 1] << 8));
    std::string id = "[";
    // An identity without a character names nothing: "[]" is no device
    // name the SDK could open again.
    if (AppendHalf(id, payload + kRec0IdentityFirst) && AppendHalf(id, payload + kRec0IdentitySecond) && id.size() > 1)
        r.identity = id + "]";
    return r;
}

std::string TypeNameOf(const uint8_t* payload, size_t size)
{
    if (!payload || size <= kRec2TypeName) return {};
    std::string name;
    for (size_t i = kRec2TypeName; i < size && payload[i] != 0; ++i) {
        if (payload[i] < 0x20 || payload[i] >= 0x7F) return {};
        name.push_back(static_cast<char>(payload[i]));
    }
    return name;
}

std::string DottedText(uint32_t a)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", a >> 24, (a >> 16) & 0xFF, (a >> 8) & 0xFF, a & 0xFF);
    return text;
}

std::optional<uint32_t> ParseDotted(const std::string& text)
{
    uint32_t value = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        size_t digits = 0;
        unsigned number = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 3) {
            number = number * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || number > 255) return std::nullopt;
        value = (value << 8) | number;
    }
    if (pos != text.size()) return std::nullopt;
    return value;
}

uint32_t MaskFromHostBits(int hostBits)
{
    if (hostBits <= 0) return 0xFFFFFFFFu;
    if (hostBits >= 32) return 0;
    return 0xFFFFFFFFu << hostBits;
}

std::optional<int> HostBitsOf(uint32_t mask)
{
    int bits = 0;
    while (bits < 32 && !(mask & (1u << bits))) ++bits;
    if (bits < 32 && MaskFromHostBits(bits) != mask) return std::nullopt;
    return bits;
}

std::optional<LanTarget> ParseLanTarget(const std::string& name)
{
    LanTarget t;
    std::string rest;
    if (!name.empty() && name[0] == '[') {
        const size_t close = name.find(']');
        if (close == std::string::npos || close < 2 || close - 1 > kIdentityLength) return std::nullopt;
        for (size_t i = 1; i < close; ++i)
            if (!NameCharacter(static_cast<uint8_t>(name[i]))) return std::nullopt;
        t.identity = name.substr(0, close + 1);
        rest = name.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != '-') return std::nullopt;
            const auto port = DecimalPort(rest.substr(1));
            if (!port) return std::nullopt;
            t.port = *port;
        }
        return t;
    }
    const size_t dash = name.rfind('-');
    const std::string host = dash == std::string::npos ? name : name.substr(0, dash);
    if (!ParseDotted(host)) return std::nullopt;
    t.host = host;
    if (dash != std::string::npos) {
        const auto port = DecimalPort(name.substr(dash + 1));
        if (!port) return std::nullopt;
        t.port = *port;
    }
    return t;
}

} // namespace kavex::lan
