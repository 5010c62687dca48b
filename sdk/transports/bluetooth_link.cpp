#include "sdk/transports/bluetooth_link.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "sdk/support/debug_log.h"
#include "sdk/transports/serial_link.h"
#include "sdk/transports/usbxpress.h"

namespace kavex {

namespace {

using Ms = std::chrono::milliseconds;

constexpr const char* kSuffix = " BT";
constexpr int kInquiryLimitMs = 10000;
constexpr int kNameLimitMs = 10000;
constexpr int kNameRetries = 5;
constexpr int kAfterInquiryMs = 500;
constexpr int kAttemptSpacingMs = 500;
constexpr int kReadyLimitMs = 200;
constexpr int kDisconnectLimitMs = 7000;
constexpr int kSerialBreakMs = 50;
constexpr int kAdapterBreakMs = 10;
constexpr size_t kMaxNameLength = 30;

class SerialModuleChannel final : public ModuleChannel {
public:
    explicit SerialModuleChannel(int fd) : fd_(fd) {}
    ~SerialModuleChannel() override
    {
        flock(fd_, LOCK_UN);
        ::close(fd_);
    }

    bool Send(const uint8_t* data, size_t len) override
    {
        size_t done = 0;
        while (done < len) {
            const ssize_t n = ::write(fd_, data + done, len - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && errno == EAGAIN) {
                pollfd p{fd_, POLLOUT, 0};
                if (::poll(&p, 1, 1000) <= 0) return false;
            } else if (!(n < 0 && errno == EINTR)) {
                return false;
            }
        }
        return true;
    }

    size_t Receive(uint8_t* buffer, size_t max, int waitMs) override
    {
        if (max == 0) return 0;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, waitMs < 0 ? 0 : waitMs) <= 0) return 0;
        if (!(p.revents & POLLIN)) {
            gone_ = (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
            return 0;
        }
        const ssize_t n = ::read(fd_, buffer, max);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) gone_ = true;
        return n > 0 ? static_cast<size_t>(n) : 0;
    }

private:
    int fd_;
};

class AdapterChannel final : public ModuleChannel {
public:
    AdapterChannel(const usbxpress::Api& api, usbxpress::Handle handle) : api_(api), handle_(handle) {}
    ~AdapterChannel() override { api_.SI_Close(handle_); }

    bool Send(const uint8_t* data, size_t len) override
    {
        api_.SI_FlushBuffers(handle_, 0, 1);
        usbxpress::Dword written = 0;
        std::vector<uint8_t> copy(data, data + len);
        return api_.SI_Write(handle_, copy.data(), static_cast<usbxpress::Dword>(len), &written, nullptr) ==
                   usbxpress::kSuccess &&
               written == len;
    }

    size_t Receive(uint8_t* buffer, size_t max, int waitMs) override
    {
        if (max == 0) return 0;
        usbxpress::Dword queued = 0, queueStatus = 0;
        if (api_.SI_CheckRXQueue(handle_, &queued, &queueStatus) != usbxpress::kSuccess) {
            gone_ = true;
            return 0;
        }
        usbxpress::Dword got = 0;
        if (queued == 0) {
            if (waitMs <= 0) return 0;
            // The library's read blocks up to its read timeout for the
            // bytes asked for: ask for one, then for what follows it.
            api_.SI_SetTimeouts(static_cast<usbxpress::Dword>(waitMs), 1000);
            api_.SI_Read(handle_, buffer, 1, &got, nullptr);
            if (got != 1) return 0;
            if (api_.SI_CheckRXQueue(handle_, &queued, &queueStatus) != usbxpress::kSuccess) return 1;
            buffer += 1;
            max -= 1;
        }
        usbxpress::Dword more = 0;
        const usbxpress::Dword want = static_cast<usbxpress::Dword>(queued < max ? queued : max);
        if (want > 0) api_.SI_Read(handle_, buffer, want, &more, nullptr);
        return got + (more <= want ? more : 0);
    }

private:
    const usbxpress::Api& api_;
    usbxpress::Handle handle_;
};

int ElapsedMs(CBluetoothLink::Clock::time_point since)
{
    return static_cast<int>(std::chrono::duration_cast<Ms>(CBluetoothLink::Clock::now() - since).count());
}

} // namespace

std::string ModuleSerialPath(const std::string& name)
{
    if (!name.empty() && name[0] == '/') return name;
    const std::string rest = name.compare(0, 4, "\\\\.\\") == 0 ? name.substr(4) : name;
    if (rest.size() < 3) return {};
    for (size_t i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(rest[i])) != "COM"[i]) return {};
    const SerialDevice dev = NormaliseSerialName(rest);
    return dev.ftdi ? std::string() : dev.path;
}

CBluetoothLink::CBluetoothLink() = default;

CBluetoothLink::~CBluetoothLink()
{
    Close();
}

bool CBluetoothLink::Open(const std::string& name)
{
    Close();
    std::string rest = name;
    const size_t suffix = rest.rfind(kSuffix);
    if (suffix != std::string::npos && suffix + 3 == rest.size()) rest.erase(suffix);
    if (const usbxpress::Api* api = usbxpress::Library()) {
        const int index = usbxpress::FindAdapter(*api, rest);
        if (index >= 0) {
            if (!OpenAdapter(index)) return false;
            name_ = name;
            return true;
        }
    }
    const std::string path = ModuleSerialPath(rest);
    if (path.empty() || !OpenSerialModule(path)) return false;
    name_ = name;
    return true;
}

void CBluetoothLink::OpenOnChannel(std::unique_ptr<ModuleChannel> channel, const std::string& name)
{
    Close();
    channel_ = std::move(channel);
    serialModule_ = true;
    name_ = name;
}

bool CBluetoothLink::OpenSerialModule(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    // Like a serial reader's line, the module's line is ours alone.
    if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    SerialLineSettings line;
    line.baud = kSerialModuleBaud;
    ConfigureSerialLine(fd, line);
    // The break resets the module's receiver. A line without one (a pty)
    // does without.
    if (ioctl(fd, TIOCSBRK) == 0) {
        std::this_thread::sleep_for(Ms(kSerialBreakMs));
        ioctl(fd, TIOCCBRK);
    }
    channel_ = std::make_unique<SerialModuleChannel>(fd);
    serialModule_ = true;
    return true;
}

bool CBluetoothLink::OpenAdapter(int index)
{
    const usbxpress::Api& api = *usbxpress::Library();
    namespace x = usbxpress;
    api.SI_SetTimeouts(1000, 1000);
    x::Handle h = nullptr;
    if (api.SI_Open(static_cast<x::Dword>(index), &h) != x::kSuccess) return false;
    const bool ok = api.SI_SetBaudRate(h, 921600) == x::kSuccess &&
                    api.SI_SetLineControl(h, x::kLine8N1) == x::kSuccess &&
                    api.SI_SetFlowControl(h, x::kHandshakeLine, x::kFirmwareControlled, x::kHeldInactive,
                                          x::kStatusInput, x::kStatusInput, 0) == x::kSuccess &&
                    api.SI_FlushBuffers(h, 1, 1) == x::kSuccess &&
                    api.SI_SetFlowControl(h, x::kHandshakeLine, x::kFirmwareControlled, x::kHeldActive, x::kStatusInput,
                                          x::kStatusInput, 0) == x::kSuccess &&
                    api.SI_SetBreak(h, 1) == x::kSuccess;
    if (ok) std::this_thread::sleep_for(Ms(kAdapterBreakMs));
    if (!ok || api.SI_SetBreak(h, 0) != x::kSuccess) {
        api.SI_Close(h);
        return false;
    }
    channel_ = std::make_unique<AdapterChannel>(api, h);
    serialModule_ = false;
    // The module says when it is ready; it need not.
    answer_ = false;
    Await(bt::MessageId(0x25, bt::kIndication));
    SendRequest(0x26, {});
    StepUntilAnswer(kReadyLimitMs);
    return true;
}

bool CBluetoothLink::SendRequest(uint8_t code, const std::vector<uint8_t>& data)
{
    if (!channel_) return false;
    const std::vector<uint8_t> m = bt::BuildMessage(bt::kRequest, code, data);
    return channel_->Send(m.data(), m.size());
}

void CBluetoothLink::Await(uint16_t id)
{
    awaited_ = id;
}

void CBluetoothLink::Step(int waitMs)
{
    if (!channel_) return;
    uint8_t chunk[bt::kBufferSize];
    const size_t n = channel_->Receive(chunk, input_.Space(), waitMs);
    input_.Append(chunk, n);
    while (auto m = input_.Next()) Handle(*m);
    if (channel_->Gone()) {
        // Requests from now on fail and exchanges time out, as on a serial
        // line that went away.
        DebugLog("Bluetooth module %s is gone", name_.c_str());
        channel_.reset();
        connected_ = false;
    }
}

bool CBluetoothLink::StepUntilAnswer(int limitMs)
{
    const Clock::time_point start = Clock::now();
    Step(0);
    while (!answer_ && channel_) {
        const int left = limitMs - ElapsedMs(start);
        if (left <= 0) break;
        Step(left);
    }
    return answer_;
}

void CBluetoothLink::Handle(const bt::ModuleMessage& m)
{
    const std::vector<uint8_t>& d = m.data;
    auto ends = [&](uint16_t id) {
        if (awaited_ == id) answer_ = true;
    };
    switch (m.id) {
    case bt::MessageId(0x01, bt::kIndication): {
        if (d.size() < 9) return;
        Address device;
        std::copy(d.begin(), d.begin() + 6, device.begin());
        const uint32_t cls = d[6] | d[7] << 8 | d[8] << 16;
        if (classFilter_ != 0) {
            if (cls != classFilter_) return;
            if (found_.size() < 29) found_.push_back(device);
            // The reader is found: the inquiry may stop.
            Await(bt::MessageId(0x25, bt::kIndication));
            SendRequest(0x26, {});
        } else if (found_.size() < 29) {
            found_.push_back(device);
        }
        return;
    }
    case bt::MessageId(0x02, bt::kConfirmation):
        if (d.size() >= 8 && d[0] == 0) {
            const size_t len = std::min<size_t>({d[7], kMaxNameLength, d.size() - 8});
            nameBuffer_.assign(d.begin() + 8, d.begin() + 8 + static_cast<std::ptrdiff_t>(len));
        }
        ends(m.id);
        return;
    case bt::MessageId(0x03, bt::kConfirmation):
    case bt::MessageId(0x16, bt::kConfirmation):
        if (d.size() >= 2) {
            const size_t len = std::min<size_t>({d[1], kMaxNameLength, d.size() - 2});
            nameBuffer_.assign(d.begin() + 2, d.begin() + 2 + static_cast<std::ptrdiff_t>(len));
        }
        ends(m.id);
        return;
    case bt::MessageId(0x05, bt::kConfirmation):
        if (d.size() >= 7) std::copy(d.begin() + 1, d.begin() + 7, moduleAddress_.begin());
        ends(m.id);
        return;
    case bt::MessageId(0x0A, bt::kConfirmation):
        // A refused request: no connect result will follow.
        if (!d.empty() && d[0] != 0) {
            lastError_ = d[0];
            answer_ = true;
        }
        return;
    case bt::MessageId(0x0B, bt::kIndication):
        if (!d.empty()) {
            lastError_ = d[0];
            if (d[0] == 0) connected_ = true;
        }
        answer_ = true;
        return;
    case bt::MessageId(0x0E, bt::kIndication): connected_ = false; return;
    case bt::MessageId(0x0F, bt::kConfirmation):
        if (!d.empty()) lastDataStatus_ = d[0];
        return;
    case bt::MessageId(0x10, bt::kIndication): {
        if (d.size() < 3 || d[0] != 2) return;
        const size_t len = d[1] | static_cast<size_t>(d[2]) << 8;
        // What would not fit, or what the message does not carry, is
        // dropped whole: half a frame would only confuse the frame protocol.
        if (len > d.size() - 3 || received_.size() + len > bt::kBufferSize) {
            DebugLog("Bluetooth module: data message of %zu bytes dropped", len);
            return;
        }
        received_.insert(received_.end(), d.begin() + 3, d.begin() + 3 + static_cast<std::ptrdiff_t>(len));
        return;
    }
    case bt::MessageId(0x25, bt::kIndication):
        if (awaited_ == m.id || awaited_ == bt::MessageId(0x28, bt::kConfirmation)) answer_ = true;
        return;
    case bt::MessageId(0x00, bt::kConfirmation):
    case bt::MessageId(0x04, bt::kConfirmation):
    case bt::MessageId(0x17, bt::kConfirmation):
    case bt::MessageId(0x1F, bt::kConfirmation):
    case bt::MessageId(0x22, bt::kConfirmation):
    case bt::MessageId(0x23, bt::kConfirmation):
    case bt::MessageId(0x28, bt::kConfirmation):
    case bt::MessageId(0x49, bt::kConfirmation):
    case bt::MessageId(0x4A, bt::kConfirmation):
    case bt::MessageId(0x4E, bt::kConfirmation):
    case bt::MessageId(0x4F, bt::kConfirmation):
    case bt::MessageId(0x50, bt::kIndication):
    case bt::MessageId(0x51, bt::kIndication): ends(m.id); return;
    default: return;
    }
}

bool CBluetoothLink::Inquiry(int limitMs, uint32_t classFilter)
{
    answer_ = false;
    classFilter_ = classFilter;
    found_.clear();
    Await(bt::MessageId(0x00, bt::kConfirmation));
    const uint8_t length = static_cast<uint8_t>(std::min(limitMs / 1300 - 1, 48));
    if (!SendRequest(0x00, {length, 0, 0})) return false;
    return StepUntilAnswer(limitMs);
}

bool CBluetoothLink::RequestName(const Address& device, int limitMs)
{
    nameBuffer_.clear();
    answer_ = false;
    Await(bt::MessageId(0x02, bt::kConfirmation));
    if (!SendRequest(0x02, std::vector<uint8_t>(device.begin(), device.end()))) return false;
    return StepUntilAnswer(limitMs);
}

bool CBluetoothLink::FindReader()
{
    if (!Inquiry(kInquiryLimitMs, kReaderClass)) return false;
    // Inquiry results that arrive while a name is asked for add to found_;
    // the devices asked go through a copy that stays put.
    const std::vector<Address> candidates = found_;
    for (const Address& device : candidates) {
        bool named = RequestName(device, kNameLimitMs);
        for (int i = 0; named && nameBuffer_.empty() && i < kNameRetries; ++i)
            named = RequestName(device, kNameLimitMs);
        if (!named) continue;
        // Give the module time to finish the inquiry before it connects. A
        // module that has gone meanwhile has nothing to finish: without a
        // channel Step returns at once and this would spin.
        const Clock::time_point start = Clock::now();
        for (int left = kAfterInquiryMs; left > 0 && channel_; left = kAfterInquiryMs - ElapsedMs(start)) Step(left);
        remote_ = device;
        remoteKnown_ = true;
        return true;
    }
    return false;
}

bool CBluetoothLink::ConnectOnDemand()
{
    if (connected_) return true;
    if (!channel_) return false;
    if (attempted_ && ElapsedMs(lastAttempt_) < kAttemptSpacingMs) return false;
    auto failed = [this] {
        attempted_ = true;
        lastAttempt_ = Clock::now();
        return false;
    };
    if (!remoteKnown_ && !FindReader()) return failed();
    answer_ = false;
    Await(bt::MessageId(0x0B, bt::kIndication));
    std::vector<uint8_t> request(remote_.begin(), remote_.end());
    request.push_back(linkParameter_);
    request.push_back(0);
    if (!SendRequest(0x0A, request)) return failed();
    StepUntilAnswer(connectWaitMs_);
    // A connect result that comes later is handled by a later step.
    return connected_ ? true : failed();
}

void CBluetoothLink::Write(const uint8_t* data, size_t len)
{
    if (!ConnectOnDemand()) return;
    const std::vector<uint8_t> m = bt::BuildDataRequest(data, len);
    if (channel_) channel_->Send(m.data(), m.size());
}

void CBluetoothLink::PollInput(ByteSink& sink)
{
    ConnectOnDemand();
    Step(0);
    if (received_.empty()) return;
    const std::vector<uint8_t> data = std::move(received_);
    received_.clear();
    sink.OnBytesReceived(data.data(), data.size());
}

void CBluetoothLink::Close()
{
    if (!channel_) return;
    Step(0);
    if (connected_) {
        answer_ = false;
        Await(bt::MessageId(0x51, bt::kIndication));
        if (SendRequest(0x0D, {0x02})) StepUntilAnswer(kDisconnectLimitMs);
    }
    channel_.reset();
    connected_ = false;
    input_.Clear();
    received_.clear();
}

} // namespace kavex
