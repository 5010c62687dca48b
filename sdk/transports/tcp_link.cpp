#include "sdk/transports/tcp_link.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kavex {

namespace {

// A reader that takes longer than this to accept is not there; requests
// meanwhile time out on their own.
constexpr int kConnectWaitMs = 3000;
constexpr size_t kReceiveChunk = 513;

bool ToAddress(const std::string& text, in_addr& out)
{
    return inet_pton(AF_INET, text.c_str(), &out) == 1;
}

bool PeerClosed(int fd)
{
    uint8_t byte;
    const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

} // namespace

CTCPSocketThread::CTCPSocketThread() = default;

CTCPSocketThread::~CTCPSocketThread()
{
    Close();
}

bool CTCPSocketThread::Connect(const TcpEndpoint& endpoint, ByteSink& sink)
{
    if (worker_.joinable()) return false;
    endpoint_ = endpoint;
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) return false;
    stop_ = false;
    started_ = false;
    worker_ = std::thread(&CTCPSocketThread::Run, this, &sink);
    std::unique_lock<std::mutex> lock(startLock_);
    startedSignal_.wait(lock, [this] { return started_; });
    if (!firstConnectOk_) {
        lock.unlock();
        Close();
        return false;
    }
    return true;
}

// Every connection, the first and each one after the reader closed the
// last, comes from a port the system chooses: a fixed local port would
// still be held by the previous connection in TIME_WAIT, and the reader
// would stay out of reach after its restart.
int CTCPSocketThread::OpenConnection()
{
    in_addr host{};
    if (!ToAddress(endpoint_.host, host)) return -1;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (!endpoint_.bindAddress.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (!ToAddress(endpoint_.bindAddress, local.sin_addr) ||
            bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            ::close(fd);
            return -1;
        }
    }
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(endpoint_.port));
    remote.sin_addr = host;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0) return fd;
    if (errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kConnectWaitMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0 || stop_.load()) break;
        pollfd fds[2] = {{fd, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
        const int r = poll(fds, 2, static_cast<int>(left));
        if (r < 0 && errno != EINTR) break;
        if (fds[0].revents) {
            int error = 0;
            socklen_t len = sizeof error;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0) return fd;
            break;
        }
        // A wake-up only reports new frames; keep waiting for the reader.
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
        }
    }
    ::close(fd);
    return -1;
}

void CTCPSocketThread::DropConnection()
{
    const int fd = fd_.exchange(-1);
    if (fd >= 0) ::close(fd);
}

void CTCPSocketThread::Wake()
{
    if (wakeFd_ < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void CTCPSocketThread::Write(const uint8_t* data, size_t len)
{
    if (!worker_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(sendLock_);
        sendQueue_.emplace_back(data, data + len);
    }
    Wake();
}

void CTCPSocketThread::Run(ByteSink* sink)
{
    pthread_setname_np(pthread_self(), kWorkerThreadName);
    fd_ = OpenConnection();
    {
        std::lock_guard<std::mutex> lock(startLock_);
        firstConnectOk_ = fd_.load() >= 0;
        started_ = true;
    }
    startedSignal_.notify_all();
    if (!firstConnectOk_) return;

    uint8_t chunk[kReceiveChunk];
    std::vector<uint8_t> sending; // the frame being sent
    size_t sent = 0;
    while (!stop_.load()) {
        if (sending.empty()) {
            std::lock_guard<std::mutex> lock(sendLock_);
            if (!sendQueue_.empty()) {
                sending = std::move(sendQueue_.front());
                sendQueue_.pop_front();
                sent = 0;
            }
        }
        // A reader that closed the connection while we were idle has left
        // its FIN unread; the frame would vanish into that connection.
        if (!sending.empty() && fd_.load() >= 0 && PeerClosed(fd_.load())) DropConnection();
        if (!sending.empty() && fd_.load() < 0) {
            fd_ = OpenConnection();
            if (fd_.load() < 0) {
                // The reader is not there: the request is lost and its
                // exchange times out; the next one tries again.
                sending.clear();
                continue;
            }
        }
        while (!sending.empty() && fd_.load() >= 0) {
            const ssize_t n = ::send(fd_, sending.data() + sent, sending.size() - sent, MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<size_t>(n);
                if (sent == sending.size()) sending.clear();
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            DropConnection();
            sending.clear();
        }
        const int fd = fd_.load();
        pollfd fds[2] = {{fd, static_cast<short>(POLLIN | (sending.empty() ? 0 : POLLOUT)), 0}, {wakeFd_, POLLIN, 0}};
        const int r = poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
        }
        if (fd >= 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n > 0) {
                sink->OnBytesReceived(chunk, static_cast<size_t>(n));
            } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                // The reader closed the connection (or it broke): the next
                // request connects again.
                DropConnection();
            }
        }
    }
    DropConnection();
}

void CTCPSocketThread::Close()
{
    if (worker_.joinable()) {
        stop_ = true;
        Wake();
        worker_.join();
    }
    DropConnection();
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
        wakeFd_ = -1;
    }
    std::lock_guard<std::mutex> lock(sendLock_);
    sendQueue_.clear();
}

} // namespace kavex
