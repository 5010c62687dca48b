#include "sim/tcp_reader.h"

#include <arpa/inet.h>
#include <cerrno>
#include <deque>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace kavex::sim {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

TcpReader::TcpReader(ReaderConfig config, std::shared_ptr<Card> card) : sim_(std::move(config), std::move(card)) {}

TcpReader::~TcpReader()
{
    Stop();
}

bool TcpReader::Running() const
{
    return thread_.joinable() && !stop_.load();
}

void TcpReader::Start(const std::string& host, uint16_t port)
{
    std::lock_guard<std::mutex> lock(control_mu_);
    if (thread_.joinable()) throw std::logic_error("TcpReader already running");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1)
        throw std::invalid_argument("TcpReader: not an IPv4 address: '" + host + "'");
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) ThrowErrno("socket");
    // A restarted reader listens on its port again at once, although the
    // connection it closed still lingers.
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 4) != 0) {
        const int e = errno;
        ::close(fd);
        throw std::system_error(e, std::generic_category(), "listen on " + host + ":" + std::to_string(port));
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd_ < 0) {
        ::close(fd);
        ThrowErrno("eventfd");
    }
    listen_fd_ = fd;
    host_ = host;
    port_ = ntohs(addr.sin_port);
    sim_.DiscardPendingOutput();
    stop_ = false;
    drop_ = false;
    thread_ = std::thread(&TcpReader::Run, this);
}

void TcpReader::Wake()
{
    const uint64_t one = 1;
    while (::write(wake_fd_, &one, sizeof one) < 0 && errno == EINTR) {}
}

void TcpReader::Stop()
{
    std::lock_guard<std::mutex> lock(control_mu_);
    if (!thread_.joinable()) return;
    stop_ = true;
    Wake();
    thread_.join();
    ::close(listen_fd_);
    ::close(wake_fd_);
    listen_fd_ = wake_fd_ = -1;
    sim_.DiscardPendingOutput();
}

void TcpReader::DropConnection()
{
    std::lock_guard<std::mutex> lock(control_mu_);
    if (!thread_.joinable()) return;
    std::unique_lock<std::mutex> wait(drop_mu_);
    drop_ = true;
    Wake();
    dropped_.wait(wait, [this] { return !drop_.load(); });
}

void TcpReader::Run()
{
    int conn = -1;
    std::deque<Bytes> queue;
    size_t offset = 0;
    uint8_t buf[4096];
    auto closeConn = [&] {
        if (conn >= 0) ::close(conn);
        conn = -1;
        queue.clear();
        offset = 0;
        sim_.DiscardPendingOutput();
    };

    while (!stop_.load()) {
        if (drop_.load()) {
            closeConn();
            std::lock_guard<std::mutex> lock(drop_mu_);
            drop_ = false;
            dropped_.notify_all();
        }
        for (Bytes& u : sim_.TakeDueOutput(Clock::now()))
            if (conn >= 0) queue.push_back(std::move(u));
        while (conn >= 0 && !queue.empty()) {
            const Bytes& u = queue.front();
            const ssize_t n = ::send(conn, u.data() + offset, u.size() - offset, MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno != EAGAIN) closeConn();
                break;
            }
            offset += static_cast<size_t>(n);
            if (offset == u.size()) {
                queue.pop_front();
                offset = 0;
            }
        }
        pollfd fds[3] = {{listen_fd_, POLLIN, 0},
                         {conn, static_cast<short>(POLLIN | (queue.empty() ? 0 : POLLOUT)), 0},
                         {wake_fd_, POLLIN, 0}};
        int timeout = -1;
        if (const auto due = sim_.NextOutputTime()) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now()).count();
            timeout = wait < 0 ? 0 : static_cast<int>(wait);
        }
        if (::poll(fds, 3, timeout) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[2].revents & POLLIN) {
            uint64_t v;
            [[maybe_unused]] ssize_t n = ::read(wake_fd_, &v, sizeof v);
        }
        if (fds[0].revents & POLLIN) {
            const int fresh = ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fresh >= 0) {
                closeConn();
                const int one = 1;
                setsockopt(fresh, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                conn = fresh;
                ++accepted_;
                continue;
            }
        }
        if (conn >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = ::recv(conn, buf, sizeof buf, 0);
            if (n > 0)
                sim_.Receive(buf, static_cast<size_t>(n), Clock::now());
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                closeConn();
        }
    }
    closeConn();
}

} // namespace kavex::sim
