#include "sdk/transports/ftdi_link.h"

#include <pthread.h>

#include "sdk/transports/device_list.h"

namespace kavex {

namespace {

constexpr uint32_t kGenericRead = 0x80000000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kOpenExisting = 3;
constexpr uint32_t kFileAttributeNormal = 0x80;
constexpr uint32_t kOpenBySerialNumber = 1;

// How long one read of the reader thread waits before it looks whether the
// link is closing. Only Close waits for it.
constexpr uint32_t kReaderWakeMs = 100;

} // namespace

FtdiLink::~FtdiLink()
{
    Close();
}

bool FtdiLink::Open(const std::string& serial, const SerialLineSettings& line)
{
    Close();
    void* h = d2xx_.FT_W32_CreateFile(serial.c_str(), kGenericRead | kGenericWrite, 0, nullptr, kOpenExisting,
                                      kFileAttributeNormal | kOpenBySerialNumber, nullptr);
    if (h == CFTD2xxPort::kInvalidHandle || h == nullptr) return false;
    Ftd2xxDcb dcb;
    dcb.baudRate = static_cast<uint32_t>(line.baud);
    dcb.byteSize = static_cast<uint8_t>(line.dataBits);
    dcb.parity = line.parity == 'O' ? 1 : line.parity == 'E' ? 2 : 0;
    dcb.stopBits = line.stopBits == 2 ? 2 : 0;
    if (dcb.parity) dcb.flags |= 2; // fParity
    // As with a tty, a line that refuses part of its settings stays open.
    d2xx_.FT_W32_SetCommState(h, &dcb);
    Ftd2xxTimeouts timeouts{0, 0, kReaderWakeMs, 0, 0};
    if (!d2xx_.FT_W32_SetCommTimeouts(h, &timeouts)) {
        // Without a read timeout the reader thread could never stop.
        d2xx_.FT_W32_CloseHandle(h);
        return false;
    }
    handle_ = h;
    serial_ = serial;
    MarkFtdiHeldOpen(serial_);
    return true;
}

bool FtdiLink::StartReader(ByteSink& sink)
{
    if (reader_.joinable() || !handle_) return false;
    shutdown_ = false;
    reader_ = std::thread(&FtdiLink::Reader, this, &sink);
    return true;
}

void FtdiLink::Reader(ByteSink* sink)
{
    pthread_setname_np(pthread_self(), kReaderThreadName);
    uint8_t chunk[512];
    while (!shutdown_.load()) {
        uint32_t got = 0;
        if (!d2xx_.FT_W32_ReadFile(handle_, chunk, sizeof chunk, &got, nullptr)) break; // unplugged
        if (got > sizeof chunk) got = sizeof chunk;
        if (got > 0) sink->OnBytesReceived(chunk, got);
    }
}

void FtdiLink::Write(const uint8_t* data, size_t len)
{
    if (!handle_) return;
    uint32_t written = 0;
    d2xx_.FT_W32_WriteFile(handle_, data, static_cast<uint32_t>(len), &written, nullptr);
}

void FtdiLink::Close()
{
    if (!handle_) return;
    if (reader_.joinable()) {
        shutdown_ = true;
        reader_.join();
    }
    d2xx_.FT_W32_CloseHandle(handle_);
    handle_ = nullptr;
    UnmarkFtdiHeldOpen(serial_);
    serial_.clear();
}

} // namespace kavex
