// TcpReader: runs a ReaderSimulator behind a TCP port, as a LAN reader
// does. One connection at a time; a new one replaces the one before. A
// background thread blocks in poll() on the listening socket, the
// connection and an eventfd; its timeout comes only from the simulator's
// next scheduled output.
#pragma once

#include "sim/card.h"
#include "sim/reader_simulator.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kavex::sim {

class TcpReader {
public:
    explicit TcpReader(ReaderConfig config = {}, std::shared_ptr<Card> card = nullptr);
    ~TcpReader();
    TcpReader(const TcpReader&) = delete;
    TcpReader& operator=(const TcpReader&) = delete;

    // Listens on host:port (port 0: one the system chooses). Throws
    // std::system_error.
    void Start(const std::string& host, uint16_t port);
    // Stops listening and closes the connection, like a reader switched off.
    void Stop();
    // Closes the current connection and goes on listening; returns once it
    // is closed.
    void DropConnection();
    bool Running() const;

    const std::string& Host() const { return host_; }
    uint16_t Port() const { return port_; }
    // Connections accepted since construction.
    unsigned Accepted() const { return accepted_.load(); }

    ReaderSimulator& Sim() { return sim_; }

private:
    void Run();
    void Wake();

    ReaderSimulator sim_;
    std::string host_;
    uint16_t port_ = 0;
    int listen_fd_ = -1;
    int wake_fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> drop_{false};
    std::condition_variable dropped_;
    std::mutex drop_mu_;
    std::atomic<unsigned> accepted_{0};
    std::mutex control_mu_;
};

} // namespace kavex::sim
