// TCP link to a LAN reader. One worker thread per link owns a non-blocking
// socket and blocks in poll() on it and on a wake-up descriptor: it
// connects, sends queued frames, hands received bytes to the sink, and
// connects again before the next send once the reader has closed the
// connection.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sdk/transports/link.h"

namespace kavex {

struct TcpEndpoint {
    std::string host; // dotted address
    int port = 10001;
    std::string bindAddress; // local adapter address, empty for any
};

class CTCPSocketThread final : public Link {
public:
    static constexpr const char* kWorkerThreadName = "kavex-tcp";

    CTCPSocketThread();
    ~CTCPSocketThread() override;

    // Starts the worker and waits for its first connection attempt.
    // False when the reader cannot be reached; the worker has then ended.
    bool Connect(const TcpEndpoint& endpoint, ByteSink& sink);

    void Write(const uint8_t* data, size_t len) override;
    void Close() override;

    bool IsConnected() const { return fd_.load() >= 0; }

private:
    void Run(ByteSink* sink);
    int OpenConnection();
    void Wake();
    void DropConnection();

    TcpEndpoint endpoint_;
    std::atomic<int> fd_{-1};
    int wakeFd_ = -1;
    std::thread worker_;
    std::atomic<bool> stop_{false};

    std::mutex startLock_;
    std::condition_variable startedSignal_;
    bool started_ = false;
    bool firstConnectOk_ = false;

    std::mutex sendLock_;
    std::deque<std::vector<uint8_t>> sendQueue_;
};

} // namespace kavex
