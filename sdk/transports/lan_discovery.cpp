#include "sdk/transports/lan_discovery.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <set>
#include <thread>

namespace kavex::lan {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Silence after which a module is taken not to answer (restarted by every
// datagram), and the wait of the identity query on each adapter.
constexpr milliseconds kAnswerSilence(500);
constexpr milliseconds kIdentityWait(200);
// However chatty a network is, no wait goes on for longer than this or
// takes more datagrams than this.
constexpr milliseconds kLongestWait(5000);
constexpr int kMostDatagrams = 256;
// How the settings change waits for the module to come back.
constexpr milliseconds kReachStep(100);
constexpr milliseconds kReachLimit(5000);
constexpr int kReopenTries = 20;
constexpr int kWriteTries = 5;
constexpr milliseconds kWriteRetryPause(500);

void Pause(milliseconds duration, const IdleFn& idle)
{
    const auto end = Clock::now() + duration;
    for (auto now = Clock::now(); now < end; now = Clock::now()) {
        std::this_thread::sleep_for(std::min<Clock::duration>(end - now, milliseconds(10)));
        if (idle) idle();
    }
}

std::string CutDeviceAddress(const std::string& name)
{
    return name.substr(0, name.find(':'));
}

std::string Upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The first answer from the module at `from` with `code` and at least
// `minimum` payload bytes. Any datagram restarts the silence that ends the
// wait; none keeps it beyond kLongestWait or kMostDatagrams.
std::optional<Datagram> AwaitAnswer(LanChannel& channel, const IdleFn& idle, uint32_t from, uint8_t code,
                                    size_t minimum)
{
    const auto hardEnd = Clock::now() + kLongestWait;
    auto deadline = Clock::now() + kAnswerSilence;
    for (int count = 0; count < kMostDatagrams; ++count) {
        auto d = channel.Receive(std::min(deadline, hardEnd), idle);
        if (!d) break;
        deadline = Clock::now() + kAnswerSilence;
        if (d->from == from && d->HasCode(code) && d->PayloadSize() >= minimum) return d;
    }
    return std::nullopt;
}

// Record 2 of the module at address, on the channel of the search.
std::string TypeNameAt(LanChannel& channel, uint32_t address, const IdleFn& idle)
{
    if (!channel.SendTo(address, ReadRecordRequest(2))) return {};
    const auto d = AwaitAnswer(channel, idle, address, ReadRecordAnswer(2), 126);
    return d ? TypeNameOf(d->Payload(), d->PayloadSize()) : std::string();
}

void SearchOn(const LanAdapter& adapter, SearchMode mode, const IdleFn& idle, std::set<std::string>& result)
{
    LanChannel channel;
    if (!channel.Open(adapter) || !channel.Broadcast(ReadRecordRequest(0))) return;
    struct Found {
        std::string entry;
        std::string identity;
        uint32_t from;
    };
    std::vector<Found> found;
    std::set<std::string> seen;
    const auto hardEnd = Clock::now() + kLongestWait;
    auto deadline = Clock::now() + kAnswerSilence;
    for (int count = 0; count < kMostDatagrams; ++count) {
        const auto d = channel.Receive(std::min(deadline, hardEnd), idle);
        if (!d) break;
        if (!d->HasCode(ReadRecordAnswer(0))) continue;
        const auto record = ParseRecord0(d->Payload(), d->PayloadSize());
        if (!record) continue;
        deadline = Clock::now() + kAnswerSilence;
        std::string entry;
        if (record->address == d->from) {
            entry = DottedText(record->address) + "-" + std::to_string(record->tcpPort);
        } else {
            // A module without an address of its own is known by its
            // identity; one that gives no usable identity cannot be named.
            if (record->identity.empty()) continue;
            entry = record->identity + DottedText(d->from) + "-" + std::to_string(record->tcpPort);
        }
        if (seen.insert(entry).second)
            found.push_back({entry, record->address == d->from ? "" : record->identity, d->from});
    }
    for (const Found& f : found) {
        if (mode == SearchMode::AllModules) {
            result.insert(f.entry);
            continue;
        }
        if (Upper(TypeNameAt(channel, f.from, idle)).rfind(kReaderTypePrefix, 0) != 0) continue;
        result.insert(f.identity.empty() ? f.entry : f.identity);
    }
}

} // namespace

std::vector<std::string> SearchLanDevices(SearchMode mode, const IdleFn& idle)
{
    std::set<std::string> result;
    for (const LanAdapter& adapter : LanAdapters()) SearchOn(adapter, mode, idle, result);
    return {result.begin(), result.end()};
}

std::optional<ResolvedIdentity> ResolveIdentity(const std::string& identity, const IdleFn& idle)
{
    for (const LanAdapter& adapter : LanAdapters()) {
        LanChannel channel;
        if (!channel.Open(adapter) || !channel.Broadcast(ReadRecordRequest(0))) continue;
        const auto deadline = Clock::now() + kIdentityWait;
        for (int count = 0; count < kMostDatagrams; ++count) {
            const auto d = channel.Receive(deadline, idle);
            if (!d) break;
            if (!d->HasCode(ReadRecordAnswer(0))) continue;
            const auto record = ParseRecord0(d->Payload(), d->PayloadSize());
            if (!record || record->identity.empty() || record->identity != identity) continue;
            return ResolvedIdentity{DottedText(d->from), record->tcpPort, adapter.address};
        }
    }
    return std::nullopt;
}

int LanConfigPort::Open(const std::string& name)
{
    Close(false);
    const auto target = ParseLanTarget(CutDeviceAddress(name));
    if (!target) return -1;
    uint32_t host = 0;
    if (!target->identity.empty()) {
        const auto resolved = ResolveIdentity(target->identity, idle_);
        if (!resolved) return -1;
        host = *ParseDotted(resolved->host);
    } else {
        host = *ParseDotted(target->host);
    }
    for (const LanAdapter& adapter : LanAdapters()) {
        if (!channel_.Open(adapter) || !channel_.Broadcast(ReadRecordRequest(0))) continue;
        if (AwaitAnswer(channel_, idle_, host, ReadRecordAnswer(0), 0)) {
            host_ = host;
            return 0;
        }
        channel_.Close();
    }
    return -1;
}

std::optional<Bytes> LanConfigPort::Query(const Bytes& request, uint8_t answer, size_t minimum, bool broadcast)
{
    if (!channel_.IsOpen()) return std::nullopt;
    if (!(broadcast ? channel_.Broadcast(request) : channel_.SendTo(host_, request))) return std::nullopt;
    const auto d = AwaitAnswer(channel_, idle_, host_, answer, minimum);
    if (!d) return std::nullopt;
    return Bytes(d->Payload(), d->Payload() + d->PayloadSize());
}

std::optional<Bytes> LanConfigPort::ReadRecord(int record)
{
    return Query(ReadRecordRequest(record), ReadRecordAnswer(record), kRecordMinimum, false);
}

std::optional<Bytes> LanConfigPort::ReadModuleInfo()
{
    return Query(ModuleInfoRequest(), kModuleInfoAnswer, kModuleInfoMinimum, true);
}

bool LanConfigPort::WriteRecord(int record, const Bytes& data)
{
    return Query(WriteRecordRequest(record, data), WriteRecordAnswer(record), 0, false).has_value();
}

void LanConfigPort::Close(bool restart)
{
    if (restart && channel_.IsOpen()) channel_.SendTo(host_, RestartRequest());
    channel_.Close();
}

bool TestLanConnection(const std::string& name, const IdleFn& idle)
{
    LanConfigPort port(idle);
    return port.Open(name) == 0;
}

int GetLanConfig(const std::string& name, LanConfigTexts& texts, const IdleFn& idle)
{
    LanConfigPort port(idle);
    const int opened = port.Open(name);
    if (opened < 0) return opened;
    const auto payload = port.ReadRecord(0);
    const auto record = payload ? ParseRecord0(payload->data(), payload->size()) : std::nullopt;
    port.Close(false);
    if (!record) return -1;
    const std::string port_text = "-" + std::to_string(record->tcpPort);
    texts.address = record->address == 0 ? std::string() : DottedText(record->address) + port_text;
    texts.identity = record->identity.empty() ? std::string() : record->identity + port_text;
    texts.mask = DottedText(MaskFromHostBits(record->hostBits));
    texts.gateway = DottedText(record->gateway);
    return 0;
}

int SetLanConfig(const std::string& name, const std::string& newAddress, const char* maskText, const char* gatewayText,
                 const IdleFn& idle)
{
    const auto target = ParseLanTarget(newAddress);
    std::optional<int> hostBits;
    uint32_t mask = 0;
    uint32_t gateway = 0;
    if (!target) return -1;
    if (maskText && *maskText) {
        const auto m = ParseDotted(maskText);
        // A mask with holes would be stored as some other mask.
        if (!m || !HostBitsOf(*m)) return -1;
        mask = *m;
        hostBits = HostBitsOf(mask);
    }
    if (gatewayText && *gatewayText) {
        const auto g = ParseDotted(gatewayText);
        if (!g) return -1;
        gateway = *g;
    }
    const uint32_t address = target->host.empty() ? 0 : *ParseDotted(target->host);
    // Without the brackets.
    const std::string identity =
        target->identity.empty() ? std::string() : target->identity.substr(1, target->identity.size() - 2);

    auto port = std::make_unique<LanConfigPort>(idle);
    const int opened = port->Open(name);
    if (opened < 0) return opened;

    auto payload = port->ReadRecord(0);
    const auto record = payload ? ParseRecord0(payload->data(), payload->size()) : std::nullopt;
    if (!record) {
        port->Close(true);
        return -1;
    }
    const bool addressDiffers = record->address != address;
    const bool portDiffers = target->port != 0 && target->port != record->tcpPort;
    const bool maskDiffers = hostBits && *hostBits != record->hostBits;
    const bool gatewayDiffers = gateway != record->gateway;
    const bool identityDiffers = !identity.empty() && "[" + identity + "]" != record->identity;
    bool remaining = portDiffers || maskDiffers || gatewayDiffers || identityDiffers;

    if (addressDiffers || remaining) {
        const auto info = port->ReadModuleInfo();
        if (info) {
            std::array<uint8_t, 6> hardware{};
            std::copy_n(info->begin() + kInfoHardwareAddress, 6, hardware.begin());
            const bool ours = std::equal(kReaderModuleMaker, kReaderModuleMaker + 3, info->begin() + kInfoMaker);
            if (ours && remaining) {
                ModuleSettings s;
                s.address = address;
                s.tcpPort = static_cast<uint16_t>(target->port != 0 ? target->port : record->tcpPort);
                s.mask = hostBits ? mask : MaskFromHostBits(record->hostBits);
                s.gateway = gateway;
                s.identity =
                    !identity.empty()
                        ? identity
                        : record->identity.substr(1, record->identity.empty() ? 0 : record->identity.size() - 2);
                port->Send(SetAddressExtendedRequest(hardware, s));
                remaining = false;
            } else {
                port->Send(SetAddressShortRequest(hardware, address));
            }
            port->Close(false);
            const std::string reachable = (identity.empty() ? target->host : target->identity) +
                                          (target->port != 0 ? "-" + std::to_string(target->port) : std::string());
            const auto end = Clock::now() + kReachLimit;
            while (!TestLanConnection(reachable, idle) && Clock::now() < end) Pause(kReachStep, idle);
            if (remaining) {
                int reopened = -1;
                for (int i = 0; i < kReopenTries && reopened < 0; ++i) {
                    if (i > 0) Pause(kReachStep, idle);
                    reopened = port->Open(reachable);
                }
                if (reopened < 0) return reopened;
            }
        }
    }

    int result = 0;
    if (remaining) {
        Bytes& r0 = *payload;
        Store32(r0.data() + kRec0Address, address);
        if (hostBits) r0[kRec0HostBits] = static_cast<uint8_t>(*hostBits);
        Store32(r0.data() + kRec0Gateway, gateway);
        if (target->port != 0) {
            r0[kRec0TcpPort] = static_cast<uint8_t>(target->port & 0xFF);
            r0[kRec0TcpPort + 1] = static_cast<uint8_t>(target->port >> 8);
        }
        if (!identity.empty()) {
            std::array<uint8_t, kIdentityLength> id{};
            std::copy(identity.begin(), identity.end(), id.begin());
            std::copy_n(id.begin(), 8, r0.begin() + kRec0IdentityFirst);
            std::copy_n(id.begin() + 8, 8, r0.begin() + kRec0IdentitySecond);
            auto r3 = port->ReadRecord(3);
            if (r3 && r3->size() >= kRec3IdentitySecond + 8) {
                std::copy_n(id.begin() + 8, 8, r3->begin() + kRec3IdentitySecond);
                port->WriteRecord(3, *r3);
            }
        }
        bool written = false;
        for (int i = 0; i < kWriteTries && !written; ++i) {
            if (i > 0) Pause(kWriteRetryPause, idle);
            written = port->WriteRecord(0, r0);
        }
        if (!written) result = -1;
    }
    if (port->IsOpen()) port->Close(true);
    return result;
}

} // namespace kavex::lan
