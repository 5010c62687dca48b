// The UDP protocol of the network module inside a LAN reader: request
// datagrams, answer codes and the fields of the configuration records.
// Everything here is pure data handling; the sockets are in lan_channel.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kavex::lan {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kModulePort = 30718;
constexpr int kDefaultTcpPort = 10001;
// Record answers shorter than this are not records at all.
constexpr size_t kRecordMinimum = 120;
constexpr size_t kModuleInfoMinimum = 26;
constexpr size_t kRecordSize = 126;
constexpr size_t kIdentityLength = 16;
// The three-letter code our readers' network modules give in their module
// information; only such modules take the extended set-address command.
constexpr char kReaderModuleMaker[] = "KVX";
// A type name our readers carry in record 2.
constexpr char kReaderTypePrefix[] = "KV-";

// Record 0 offsets.
constexpr size_t kRec0Address = 0;
constexpr size_t kRec0HostBits = 6;
constexpr size_t kRec0Gateway = 12;
constexpr size_t kRec0TcpPort = 20;
constexpr size_t kRec0IdentitySecond = 84;
constexpr size_t kRec0IdentityFirst = 112;
// Record 2: device type name, NUL-terminated.
constexpr size_t kRec2TypeName = 93;
// Record 3: second half of the identity again.
constexpr size_t kRec3IdentitySecond = 102;
// Module information.
constexpr size_t kInfoMaker = 11;
constexpr size_t kInfoHardwareAddress = 20;

Bytes ReadRecordRequest(int record);
uint8_t ReadRecordAnswer(int record);
Bytes ModuleInfoRequest();
constexpr uint8_t kModuleInfoAnswer = 0xF7;
Bytes WriteRecordRequest(int record, const Bytes& data);
uint8_t WriteRecordAnswer(int record);
Bytes RestartRequest();

struct ModuleSettings {
    uint32_t address = 0; // host order
    uint16_t tcpPort = kDefaultTcpPort;
    uint32_t mask = 0;
    uint32_t gateway = 0;
    std::string identity; // 16 characters
};
Bytes SetAddressExtendedRequest(const std::array<uint8_t, 6>& hardware, const ModuleSettings& s);
Bytes SetAddressShortRequest(const std::array<uint8_t, 6>& hardware, uint32_t address);

// One received datagram and the IPv4 address (host order) it came from.
struct Datagram {
    uint32_t from = 0;
    Bytes data;
    bool HasCode(uint8_t code) const { return data.size() >= 4 && data[3] == code; }
    size_t PayloadSize() const { return data.size() >= 4 ? data.size() - 4 : 0; }
    const uint8_t* Payload() const { return data.data() + 4; }
};

// The fields of record 0 the SDK uses. Only built from a payload of at
// least kRecordMinimum bytes.
struct Record0 {
    uint32_t address = 0;
    int hostBits = 0;
    uint32_t gateway = 0;
    uint16_t tcpPort = 0;
    // "[" first half, second half "]"; empty when the identity holds a byte
    // that has no place in a device name (control characters, brackets,
    // anything outside printable ASCII) or no character at all.
    std::string identity;
};
std::optional<Record0> ParseRecord0(const uint8_t* payload, size_t size);

// Record 2's type name, at most up to the end of the payload; empty when the
// record is too short or the name holds anything but printable ASCII.
std::string TypeNameOf(const uint8_t* payload, size_t size);

uint32_t Load32(const uint8_t* p);
void Store32(uint8_t* p, uint32_t v);
std::string DottedText(uint32_t address);
// Four decimal numbers 0..255 separated by dots, nothing else.
std::optional<uint32_t> ParseDotted(const std::string& text);
uint32_t MaskFromHostBits(int hostBits);
// The number of host bits of a contiguous mask; nothing for a mask whose
// ones do not all lie above its zeros.
std::optional<int> HostBitsOf(uint32_t mask);

// A device name as the LAN link and the configuration functions take it:
// an address or a bracketed identity, each optionally followed by "-port".
struct LanTarget {
    std::string identity; // "[...]" when the name is in identity form
    std::string host;     // dotted address when in address form
    int port = 0;         // 0 when the name gives none
};
// Nothing for a name in neither form, a bad address or a port outside
// 1..65535.
std::optional<LanTarget> ParseLanTarget(const std::string& name);

} // namespace kavex::lan
