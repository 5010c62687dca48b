// Link to a reader in HID mode. Frames go out as output reports that carry
// a length byte and up to (report length - 2) frame bytes each; answers come
// back the same way in input reports. A reader thread blocks in the
// device's read and hands the answer bytes to the sink, as the serial
// link's monitor thread does.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sdk/transports/device_list.h"
#include "sdk/transports/hid_device_io.h"
#include "sdk/transports/link.h"

namespace kavex {

class HidLink final : public Link {
public:
    static constexpr const char* kReaderThreadName = "kavex-hid";
    // Report length used when the device does not tell its own.
    static constexpr size_t kDefaultReportLength = 9;
    // Attach values of the attach report.
    static constexpr uint8_t kAttachOpen = 0;
    static constexpr uint8_t kAttachClose = 1;

    HidLink() = default;
    ~HidLink() override;

    // Opens the first accepted device of source whose HID name is name
    // (exact, case-sensitive).
    bool Open(DeviceSource& source, const std::string& name);
    // Tells the reader that a host attaches (kAttachOpen) or leaves.
    bool SendAttach(uint8_t value);
    bool StartReader(ByteSink& sink);

    void Write(const uint8_t* data, size_t len) override;
    // Sends the leave report, stops the reader thread, closes the device.
    void Close() override;
    void DiscardPendingInput() override;
    bool IsUsb() const override { return true; }
    bool Alive() const override { return !failed_.load(); }

    bool IsOpen() const { return device_ != nullptr; }
    size_t InputReportLength() const { return inputLength_; }
    size_t OutputReportLength() const { return outputLength_; }

private:
    void Reader(ByteSink* sink);
    bool WriteReport(std::vector<uint8_t>& report);

    std::string name_;
    std::unique_ptr<HidDeviceIo> device_;
    size_t inputLength_ = kDefaultReportLength;
    size_t outputLength_ = kDefaultReportLength;
    std::thread reader_;
    std::atomic<bool> shutdown_{false};
    std::atomic<bool> failed_{false}; // a read failed: the device is gone

    // Reports read before or while DiscardPendingInput runs are stale and
    // never reach the sink (see Reader).
    std::mutex deliverLock_;
    std::atomic<unsigned> discardGeneration_{0};
    std::atomic<bool> discarding_{false};
};

} // namespace kavex
