// What a LAN reader's network module may send (record 0, record 2, module
// information) and the device names a user may type, through the parsers
// the LAN search and configuration use. Everything they accept must read
// back the same when written out again.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "sdk/transports/lan_protocol.h"

namespace {

using namespace kavex::lan;

void Check(bool condition)
{
    if (!condition) std::abort();
}

bool Bracketed(const std::string& identity)
{
    return identity.size() >= 3 && identity.front() == '[' && identity.back() == ']';
}

void ModuleAnswer(const Bytes& bytes)
{
    kavex::lan::Datagram d;
    d.data = bytes;
    const uint8_t* payload = d.PayloadSize() > 0 ? d.Payload() : nullptr;
    if (const auto record = ParseRecord0(payload, d.PayloadSize())) {
        Check(record->identity.empty() || Bracketed(record->identity));
        // What the configuration shows of a record must be a name it takes.
        if (!record->identity.empty()) Check(ParseLanTarget(record->identity).has_value());
        Check(ParseDotted(DottedText(record->address)) == record->address);
        MaskFromHostBits(record->hostBits);
    }
    for (char c : TypeNameOf(payload, d.PayloadSize())) Check(c >= 0x20 && c < 0x7F);
}

void Name(const std::string& text)
{
    if (const auto dotted = ParseDotted(text)) Check(ParseDotted(DottedText(*dotted)) == *dotted);
    if (const auto mask = ParseDotted(text)) {
        if (const auto bits = HostBitsOf(*mask)) Check(MaskFromHostBits(*bits) == *mask);
    }
    const auto target = ParseLanTarget(text);
    if (!target) return;
    Check(target->identity.empty() != target->host.empty());
    Check(target->port >= 0 && target->port <= 65535);
    if (!target->host.empty()) Check(ParseDotted(target->host).has_value());
    if (!target->identity.empty()) {
        Check(Bracketed(target->identity) && target->identity.size() - 2 <= kIdentityLength);
        ModuleSettings s;
        s.identity = target->identity.substr(1, target->identity.size() - 2);
        Check(SetAddressExtendedRequest({}, s).size() == 50);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool())
        Name(in.ConsumeRemainingBytesAsString());
    else
        ModuleAnswer(in.ConsumeRemainingBytes<uint8_t>());
    return 0;
}
