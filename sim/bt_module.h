// BtModulePty: a Bluetooth module on a pseudo-terminal, as the host sees a
// module on a serial port, with a simulated reader behind it. It speaks the
// module message protocol (02, type, code, length low/high, checksum, data,
// 03): ready indication, inquiry with results of a configurable class of
// device, remote names, connect (after a configurable delay), data
// tunnelled to and from the ReaderSimulator, disconnect, and a disconnect
// indication on request.
//
// The pty works like PtyReader's: Start(link) makes `link` a symlink to the
// slave, one thread blocks in ppoll() on the master and an eventfd, its
// timeout coming only from the next scheduled output.
#pragma once

#include "sim/card.h"
#include "sim/reader_simulator.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kavex::sim {

struct BtDevice {
    std::array<uint8_t, 6> address{};
    uint32_t deviceClass = 0x000500; // what the inquiry result says
    std::string name;                // answered to a remote name request
};

struct BtModuleConfig {
    // In the order the inquiry reports them. The default: one reader.
    std::vector<BtDevice> devices{{{0x00, 0x1A, 0x4B, 0x12, 0x55, 0x01}, 0x000500, "KV-1255 BT"}};
    // From the connect request to the connect result.
    std::chrono::milliseconds connectDelay{0};
    // The first this many remote name requests are answered with an empty
    // name, as a module does before it has heard the device's name.
    int emptyNames = 0;
};

// One module message as the host sent it.
struct BtRequest {
    uint8_t code = 0;
    Bytes data;
    Bytes raw; // the whole message as it came
};

Bytes BuildModuleMessage(uint8_t type, uint8_t code, const Bytes& data);

class BtModulePty {
public:
    explicit BtModulePty(BtModuleConfig module = {}, ReaderConfig reader = {}, std::shared_ptr<Card> card = nullptr);
    ~BtModulePty();
    BtModulePty(const BtModulePty&) = delete;
    BtModulePty& operator=(const BtModulePty&) = delete;

    // Throws std::system_error.
    void Start(const std::string& link_path);
    void Stop();

    const std::string& LinkPath() const { return link_path_; }
    std::string SlavePath() const { return slave_path_; }
    // Our own end of the line: its settings are the ones the host set.
    int SlaveFd() const { return slave_fd_; }

    ReaderSimulator& Sim() { return sim_; }

    // The module loses the reader: a disconnect indication to the host.
    void Disconnect();
    // Bytes for the host as they are (for faulty messages).
    void SendRaw(const Bytes& bytes);
    bool Connected() const;
    // Requests the host sent, in order (the sound ones).
    std::vector<BtRequest> Requests() const;
    // Address the host asked to connect to, if it did.
    std::vector<std::array<uint8_t, 6>> ConnectRequests() const;

private:
    void Run();
    void Wake();
    void ReceiveLocked(const uint8_t* data, size_t len, Clock::time_point now);
    void HandleLocked(const BtRequest& r, Clock::time_point now);
    void QueueLocked(Clock::time_point due, Bytes bytes);
    const BtDevice* FindLocked(const Bytes& data) const;

    ReaderSimulator sim_;
    BtModuleConfig config_;
    std::string link_path_;
    std::string slave_path_;
    int master_fd_ = -1;
    int slave_fd_ = -1;
    int wake_fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    mutable std::mutex mu_;
    Bytes input_;
    bool connected_ = false;
    int names_answered_ = 0;
    std::vector<BtRequest> requests_;
    std::map<std::pair<Clock::time_point, uint64_t>, Bytes> out_;
    uint64_t out_seq_ = 0;
};

} // namespace kavex::sim
