// Serial link to a reader: a tty device (a serial port, a USB virtual COM
// port or a pseudo-terminal). A monitor thread blocks in poll() on the line
// and on a wake-up descriptor; it hands received bytes to the sink and
// writes queued bytes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sdk/transports/link.h"

namespace kavex {

struct SerialLineSettings {
    int baud = 19200;
    char parity = 'N'; // 'N', 'E' or 'O'
    int dataBits = 8;
    int stopBits = 1;
    int flowControl = 0; // 0 none, 1 RTS/CTS and DSR, 2 XON/XOFF, 3 RTS/CTS
};

// Where a serial port name leads on this platform.
struct SerialDevice {
    std::string path;  // tty device, empty when the name is not a tty
    bool ftdi = false; // the name is an FTDI serial number
};

// "/dev/..." and other absolute paths are device paths; "COMn" and
// "\\.\COMn" (n from 1) are /dev/ttyS(n-1); anything else names an FTDI
// device by its serial number.
SerialDevice NormaliseSerialName(const std::string& name);

class CUSBSerialPort final : public Link {
public:
    static constexpr const char* kMonitorThreadName = "kavex-serial";
    static constexpr size_t kDefaultWriteBufferSize = 512;

    CUSBSerialPort();
    ~CUSBSerialPort() override;

    // Opens and configures the line. Fails only when the device cannot be
    // opened; a line that refuses part of its configuration stays open.
    bool Open(const std::string& name, const SerialLineSettings& line,
              size_t writeBufferSize = kDefaultWriteBufferSize);
    // Opens the tty of an FTDI device; while open, the device is marked as
    // held open under its serial number and counts as USB.
    bool OpenFtdi(const std::string& serial, const std::string& ttyPath, const SerialLineSettings& line,
                  size_t writeBufferSize = kDefaultWriteBufferSize);
    // Where received bytes go to the sink: from the monitor thread as they
    // arrive, or on the thread that waits for them (AwaitInput), which
    // saves an exchange two thread switches. In the second form the
    // monitor only watches for the device going away and sends what the
    // line did not take at once.
    enum class InputDelivery { MonitorThread, WaitingThread };

    // Starts the monitor thread.
    bool StartMonitor(ByteSink& sink, InputDelivery delivery = InputDelivery::MonitorThread);

    // Writes at once from the calling thread; what the line does not take
    // yet is queued for the monitor thread.
    void Write(const uint8_t* data, size_t len) override;
    void Close() override;

    bool InputOnWaitingThread() const override { return delivery_ == InputDelivery::WaitingThread; }
    void AwaitInput(ByteSink& sink, int waitMs) override;
    void DiscardPendingInput() override;

    // A tty on a USB device (USB-serial bridge or virtual-COM reader).
    bool IsUsb() const override { return usb_; }

    bool IsOpen() const { return fd_ >= 0; }
    // False once the monitor thread has ended because the device went away.
    bool MonitorAlive() const { return alive_.load(); }
    const std::string& Name() const { return name_; }

private:
    void Monitor(ByteSink* sink);
    void WakeMonitor();
    bool FlushPending();
    // Drains the line into sink (nullptr: drops it); false when the device
    // is gone. Needs ioLock_.
    bool ReadAvailable(ByteSink* sink);

    std::string name_;
    std::atomic<int> fd_{-1};
    int wakeFd_ = -1;
    std::thread monitor_;
    std::atomic<bool> alive_{false};
    std::atomic<bool> shutdown_{false};
    bool usb_ = false;
    std::string ftdiSerial_; // set while an FTDI device is open

    InputDelivery delivery_ = InputDelivery::MonitorThread;
    // Held while the waiting thread reads the line, and by the monitor when
    // it closes a line that went away; taken before writeLock_.
    std::mutex ioLock_;
    std::condition_variable lineClosed_;
    std::mutex writeLock_;
    std::vector<uint8_t> writeBuffer_;
    size_t writeBufferSize_ = kDefaultWriteBufferSize;
};

// Line configuration steps, kept apart so they can be tested on a pty.
bool ConfigureSerialLine(int fd, const SerialLineSettings& line);
// Any line rate, also one without a B-constant.
bool SetSerialLineRate(int fd, int baud);

} // namespace kavex
