// Finding LAN readers and reading and changing their network settings
// through the UDP protocol of their network modules. Everything runs on
// the calling thread; the idle function keeps a GUI painted meanwhile.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sdk/transports/lan_channel.h"

namespace kavex::lan {

enum class SearchMode {
    AllModules = 0,  // every module that answers
    ReadersOnly = 1, // only modules whose type name begins with "KV-"
};

// Names of the modules answering on all adapters, in ascending order,
// each once.
std::vector<std::string> SearchLanDevices(SearchMode mode, const IdleFn& idle);

struct ResolvedIdentity {
    std::string host;        // dotted address the module answered from
    int port = 0;            // TCP port from its record 0
    std::string bindAddress; // the adapter it answered on
};
// Looks for the module with this "[identity]" on each adapter in turn.
std::optional<ResolvedIdentity> ResolveIdentity(const std::string& identity, const IdleFn& idle);

// A UDP channel to one module, found by its address or identity on one of
// the adapters.
class LanConfigPort {
public:
    explicit LanConfigPort(IdleFn idle) : idle_(std::move(idle)) {}
    ~LanConfigPort() { Close(false); }

    // 0, or -1 when no module answers under the name.
    int Open(const std::string& name);
    bool IsOpen() const { return channel_.IsOpen(); }
    std::optional<Bytes> ReadRecord(int record);
    std::optional<Bytes> ReadModuleInfo();
    bool WriteRecord(int record, const Bytes& data);
    bool Send(const Bytes& datagram) { return channel_.SendTo(host_, datagram); }
    // Optionally restarts the module first, so that written records apply.
    void Close(bool restart);

private:
    std::optional<Bytes> Query(const Bytes& request, uint8_t answer, size_t minimum, bool broadcast);

    IdleFn idle_;
    LanChannel channel_;
    uint32_t host_ = 0;
};

bool TestLanConnection(const std::string& name, const IdleFn& idle);

struct LanConfigTexts {
    std::string identity; // "[identity]-port"
    std::string address;  // "a.b.c.d-port", empty when the module has none
    std::string mask;
    std::string gateway;
};
// 0 and the texts, -1 when the module gives no record, or the negative
// result of opening it.
int GetLanConfig(const std::string& name, LanConfigTexts& texts, const IdleFn& idle);
// mask and gateway may be null or empty (mask unchanged, gateway 0.0.0.0).
int SetLanConfig(const std::string& name, const std::string& newAddress, const char* mask, const char* gateway,
                 const IdleFn& idle);

} // namespace kavex::lan
