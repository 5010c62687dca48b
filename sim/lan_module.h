// LanModule: the network module of a simulated LAN reader. It answers the
// module's UDP protocol on port 30718 (records 0, 2 and 3, module
// information, record writes, both set-address commands and restart).
// Written records and a new address take effect when the module restarts,
// as a real module's do; the set-address commands restart it at once.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kavex::sim {

struct LanModuleConfig {
    std::string identity = "KVSIM-0000000001"; // 16 characters
    std::string typeName = "KV-405 LAN";
    std::array<uint8_t, 6> hardware = {0x00, 0x1A, 0x4B, 0x00, 0x00, 0x01};
    std::string maker = "KVX"; // three letters in the module information
    uint32_t address = 0;      // host order; 0: none of its own
    int hostBits = 8;
    uint32_t gateway = 0;
    uint16_t tcpPort = 10001;
};

class LanModule {
public:
    using Record = std::vector<uint8_t>;
    // With a state file, the module's settings are kept there: loaded at
    // construction when it exists, written at every restart.
    explicit LanModule(LanModuleConfig config, std::string stateFile = {});
    ~LanModule();
    LanModule(const LanModule&) = delete;
    LanModule& operator=(const LanModule&) = delete;

    // Answers on bindAddress:30718 (default: every address). Throws
    // std::system_error.
    void Start(const std::string& bindAddress = "0.0.0.0");
    void Stop();

    // The settings it works with (those of its last restart).
    LanModuleConfig Active() const;
    unsigned Restarts() const { return restarts_.load(); }
    // Runs on the module's thread after each restart with the new settings
    // (a test moves the module's network address there).
    void OnRestart(std::function<void(const LanModuleConfig&)> hook);

private:
    void Run();
    void Handle(const uint8_t* d, size_t n, uint32_t from, uint16_t port);
    void Reply(uint32_t to, uint16_t port, uint8_t code, const Record& payload);
    void Restart();
    void BuildRecords(const LanModuleConfig& c);
    LanModuleConfig FromRecords() const;
    void Save() const;

    mutable std::mutex mu_;
    LanModuleConfig active_;
    Record record0_, record2_, record3_;
    std::string stateFile_;
    std::function<void(const LanModuleConfig&)> hook_;
    int fd_ = -1;
    int wakeFd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<unsigned> restarts_{0};
};

std::string DottedAddress(uint32_t address);
// Nothing usable: 0.
bool ParseAddress(const std::string& text, uint32_t& out);

} // namespace kavex::sim
