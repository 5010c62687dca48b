#include "sdk/transports/serial_link.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include "sdk/transports/device_list.h"
#include "sdk/transports/sysfs_tty.h"

namespace kavex {

namespace {

bool StartsWithComNumber(const std::string& s, size_t pos, long& number)
{
    if (s.size() < pos + 4) return false;
    for (size_t i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(s[pos + i])) != "COM"[i]) return false;
    const char first = s[pos + 3];
    if (first < '1' || first > '9') return false;
    size_t end = pos + 3;
    number = 0;
    while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end])) && number < 100000) {
        number = number * 10 + (s[end] - '0');
        ++end;
    }
    return true;
}

speed_t StandardRate(int baud)
{
    switch (baud) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 500000: return B500000;
    case 576000: return B576000;
    case 921600: return B921600;
    case 1000000: return B1000000;
    case 1152000: return B1152000;
    case 1500000: return B1500000;
    case 2000000: return B2000000;
    default: return B0;
    }
}

} // namespace

SerialDevice NormaliseSerialName(const std::string& name)
{
    SerialDevice dev;
    if (!name.empty() && name[0] == '/') {
        // Port lists describe a device after its path (" [model]"); the
        // description is not part of the path, just as a COM name ends at
        // its digits.
        dev.path = name.substr(0, name.find(" ["));
        return dev;
    }
    const size_t skip = name.compare(0, 4, "\\\\.\\") == 0 ? 4 : 0;
    long number = 0;
    if (StartsWithComNumber(name, skip, number)) {
        dev.path = "/dev/ttyS" + std::to_string(number - 1);
        return dev;
    }
    dev.ftdi = true;
    dev.path.clear();
    return dev;
}

bool ConfigureSerialLine(int fd, const SerialLineSettings& line)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8;
    if (line.parity == 'E') t.c_cflag |= PARENB;
    if (line.parity == 'O') t.c_cflag |= PARENB | PARODD;
    if (line.stopBits == 2) t.c_cflag |= CSTOPB;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (line.flowControl == 1 || line.flowControl == 3) t.c_cflag |= CRTSCTS;
    if (line.flowControl == 2) {
        t.c_iflag |= IXON | IXOFF;
        t.c_cc[VSTART] = 0x11;
        t.c_cc[VSTOP] = 0x13;
    }
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    const speed_t standard = StandardRate(line.baud);
    if (standard != B0) cfsetspeed(&t, standard);
    if (tcsetattr(fd, TCSANOW, &t) != 0) return false;
    if (standard == B0) return SetSerialLineRate(fd, line.baud);
    return true;
}

CUSBSerialPort::CUSBSerialPort() = default;

CUSBSerialPort::~CUSBSerialPort()
{
    Close();
}

bool CUSBSerialPort::Open(const std::string& name, const SerialLineSettings& line, size_t writeBufferSize)
{
    Close();
    name_ = name;
    const SerialDevice dev = NormaliseSerialName(name);
    // FTDI devices by serial number need the FTDI link.
    if (dev.ftdi || dev.path.empty()) return false;

    const int fd = ::open(dev.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    if (!isatty(fd)) {
        ::close(fd);
        return false;
    }
    // Another program on the same line would corrupt every frame, and so
    // would a second port of our own: a second reader of the line takes
    // away the first one's answers. TIOCEXCL does not hold back root, and
    // not every program sets it; the lock holds for everyone who asks for
    // it, in this process or any other.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    if (ioctl(fd, TIOCEXCL) != 0 && errno == EBUSY) {
        ::close(fd);
        return false;
    }
    struct stat st {};
    usb_ =
        fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && IsUsbCharDevice(kSysfsRoot, major(st.st_rdev), minor(st.st_rdev));
    // A line that refuses part of its settings is still usable: most
    // virtual ports ignore rates and modem lines anyway.
    if (ConfigureSerialLine(fd, line)) {
        int bits = TIOCM_RTS | TIOCM_DTR;
        if (line.flowControl == 1 || line.flowControl == 3) bits = TIOCM_DTR;
        ioctl(fd, TIOCMBIS, &bits);
    }
    tcflush(fd, TCIOFLUSH);

    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    writeBufferSize_ = writeBufferSize;
    {
        std::lock_guard<std::mutex> lock(writeLock_);
        writeBuffer_.clear();
        writeBuffer_.reserve(writeBufferSize);
    }
    return true;
}

bool CUSBSerialPort::OpenFtdi(const std::string& serial, const std::string& ttyPath, const SerialLineSettings& line,
                              size_t writeBufferSize)
{
    if (!Open(ttyPath, line, writeBufferSize)) return false;
    name_ = serial;
    usb_ = true;
    ftdiSerial_ = serial;
    MarkFtdiHeldOpen(serial);
    return true;
}

bool CUSBSerialPort::StartMonitor(ByteSink& sink, InputDelivery delivery)
{
    if (monitor_.joinable() || fd_ < 0) return false;
    delivery_ = delivery;
    shutdown_ = false;
    alive_ = true;
    monitor_ = std::thread(&CUSBSerialPort::Monitor, this, &sink);
    return true;
}

void CUSBSerialPort::Write(const uint8_t* data, size_t len)
{
    {
        std::lock_guard<std::mutex> lock(writeLock_);
        // Whatever does not fit is dropped; a lost request shows up as a
        // timeout of its exchange.
        if (writeBuffer_.size() + len > writeBufferSize_) return;
        // With nothing queued before them the bytes go out from here: a
        // request then waits for no other thread. The line takes a whole
        // frame at once unless its output buffer is full.
        size_t done = 0;
        while (writeBuffer_.empty() && fd_ >= 0 && done < len) {
            const ssize_t n = ::write(fd_, data + done, len - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            break; // EAGAIN: the monitor sends the rest; an error: it finds the device gone
        }
        if (done == len) return;
        writeBuffer_.insert(writeBuffer_.end(), data + done, data + len);
    }
    WakeMonitor();
}

bool CUSBSerialPort::ReadAvailable(ByteSink* sink)
{
    uint8_t chunk[1024];
    for (;;) {
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n > 0) {
            if (sink) sink->OnBytesReceived(chunk, static_cast<size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        // With VMIN and VTIME 0 an empty line reads as 0 bytes, as does a
        // line that hung up: only called after poll() reported input.
        return n < 0 && errno == EAGAIN;
    }
}

void CUSBSerialPort::AwaitInput(ByteSink& sink, int waitMs)
{
    std::unique_lock<std::mutex> lock(ioLock_);
    if (fd_ >= 0 && alive_.load()) {
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, waitMs);
        if (r <= 0) return;
        if ((p.revents & POLLIN) && ReadAvailable(&sink)) return;
    }
    // The device went away (the monitor closes the line): the exchange
    // runs into its timeout asleep rather than polling a hung-up line.
    lineClosed_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return fd_ < 0 || shutdown_.load(); });
}

void CUSBSerialPort::DiscardPendingInput()
{
    if (delivery_ != InputDelivery::WaitingThread) return;
    std::lock_guard<std::mutex> lock(ioLock_);
    if (fd_ < 0) return;
    // Late bytes of an earlier exchange; the monitor thread would have
    // read them into the receive buffer, which the next request empties.
    uint8_t chunk[1024];
    while (::read(fd_, chunk, sizeof chunk) == static_cast<ssize_t>(sizeof chunk)) {}
}

void CUSBSerialPort::WakeMonitor()
{
    if (wakeFd_ < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

bool CUSBSerialPort::FlushPending()
{
    std::lock_guard<std::mutex> lock(writeLock_);
    while (!writeBuffer_.empty()) {
        const ssize_t n = ::write(fd_, writeBuffer_.data(), writeBuffer_.size());
        if (n > 0) {
            writeBuffer_.erase(writeBuffer_.begin(), writeBuffer_.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // EAGAIN: the rest goes once the line takes more (POLLOUT).
        return n < 0 && errno == EAGAIN;
    }
    return true;
}

void CUSBSerialPort::Monitor(ByteSink* sink)
{
    // Named so that profilers and the benchmarks can tell it apart.
    pthread_setname_np(pthread_self(), kMonitorThreadName);
    uint8_t chunk[1024];
    bool gone = false;
    while (!shutdown_.load() && !gone) {
        bool wantOut;
        {
            std::lock_guard<std::mutex> lock(writeLock_);
            wantOut = !writeBuffer_.empty();
        }
        // Hang-ups are reported whatever is asked for.
        const short in = delivery_ == InputDelivery::MonitorThread ? POLLIN : 0;
        pollfd fds[2] = {{fd_, static_cast<short>(in | (wantOut ? POLLOUT : 0)), 0}, {wakeFd_, POLLIN, 0}};
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
            if (shutdown_.load()) break;
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n > 0) {
                sink->OnBytesReceived(chunk, static_cast<size_t>(n));
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                gone = true;
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            gone = true;
        }
        if (!gone && (wantOut || (fds[0].revents & POLLOUT)))
            if (!FlushPending()) gone = true;
    }
    if (gone) {
        // The device went away (unplugged adapter, closed pty): later
        // writes are dropped, so exchanges time out.
        std::lock_guard<std::mutex> io(ioLock_);
        std::lock_guard<std::mutex> lock(writeLock_);
        ::close(fd_);
        fd_ = -1;
        writeBufferSize_ = 0;
        writeBuffer_.clear();
    }
    alive_ = false;
    lineClosed_.notify_all();
}

void CUSBSerialPort::Close()
{
    if (monitor_.joinable()) {
        shutdown_ = true;
        WakeMonitor();
        monitor_.join();
    }
    std::lock_guard<std::mutex> io(ioLock_);
    alive_ = false;
    if (fd_ >= 0) {
        // Let the next open of the same line (ours after a retry, or
        // another program) in again. Unlocked explicitly: a child process
        // that inherited the descriptor would otherwise keep the lock.
        ioctl(fd_, TIOCNXCL);
        flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
        wakeFd_ = -1;
    }
    if (!ftdiSerial_.empty()) {
        UnmarkFtdiHeldOpen(ftdiSerial_);
        ftdiSerial_.clear();
    }
    std::lock_guard<std::mutex> lock(writeLock_);
    writeBuffer_.clear();
}

} // namespace kavex
