#include "sdk/transports/hid_link.h"

#include <algorithm>
#include <pthread.h>

namespace kavex {

namespace {

// How long one read of the reader thread waits before it looks whether the
// link is closing. Only Close waits for it.
constexpr int kReaderWakeMs = 100;

constexpr uint8_t kAttachCommand = 0x82;
constexpr uint8_t kAttachSubcommand = 0x10;

} // namespace

HidLink::~HidLink()
{
    Close();
}

bool HidLink::Open(DeviceSource& source, const std::string& name)
{
    Close();
    for (const DeviceRecord& hid : source.HidDevices()) {
        if (!IsAcceptedHidReader(hid.vendorId, hid.productId) || HidReaderName(hid) != name) continue;
        std::unique_ptr<HidDeviceIo> device = source.OpenHidDevice(hid);
        if (!device) continue;
        name_ = name;
        inputLength_ = device->InputReportLength();
        outputLength_ = device->OutputReportLength();
        // A report needs room for its ID, the length byte and one data byte.
        if (inputLength_ < 3) inputLength_ = kDefaultReportLength;
        if (outputLength_ < 3) outputLength_ = kDefaultReportLength;
        device_ = std::move(device);
        return true;
    }
    return false;
}

bool HidLink::WriteReport(std::vector<uint8_t>& report)
{
    report.resize(outputLength_, 0);
    return device_ && device_->WriteReport(report.data(), report.size());
}

bool HidLink::SendAttach(uint8_t value)
{
    std::vector<uint8_t> report = {0x00, kAttachCommand, kAttachSubcommand, value};
    return WriteReport(report);
}

bool HidLink::StartReader(ByteSink& sink)
{
    if (reader_.joinable() || !device_) return false;
    shutdown_ = false;
    reader_ = std::thread(&HidLink::Reader, this, &sink);
    return true;
}

void HidLink::Write(const uint8_t* data, size_t len)
{
    const size_t chunk = outputLength_ - 2;
    for (size_t done = 0; done < len; done += chunk) {
        const size_t n = std::min(chunk, len - done);
        std::vector<uint8_t> report = {0x00, static_cast<uint8_t>(n)};
        report.insert(report.end(), data + done, data + done + n);
        // The rest of a frame is worthless once a part is lost; the
        // exchange times out.
        if (!WriteReport(report)) return;
    }
}

void HidLink::DiscardPendingInput()
{
    if (!device_) return;
    std::lock_guard<std::mutex> lock(deliverLock_);
    discarding_ = true;
    ++discardGeneration_;
    std::vector<uint8_t> report(inputLength_);
    while (device_->ReadReport(report.data(), report.size(), 0) > 0) {}
    discarding_ = false;
}

void HidLink::Reader(ByteSink* sink)
{
    pthread_setname_np(pthread_self(), kReaderThreadName);
    std::vector<uint8_t> report(inputLength_);
    while (!shutdown_.load()) {
        const int got = device_->ReadReport(report.data(), report.size(), kReaderWakeMs);
        // A report that came back while a discard ran, or before it began,
        // is stale input of an earlier request.
        const bool duringDiscard = discarding_.load();
        const unsigned generation = discardGeneration_.load();
        if (got < 0) {
            // Unplugged: the port goes at the registry's next lookup.
            failed_ = true;
            break;
        }
        if (got < 2) continue;
        const size_t n = std::min<size_t>(report[1], static_cast<size_t>(got) - 2);
        std::lock_guard<std::mutex> lock(deliverLock_);
        if (duringDiscard || generation != discardGeneration_.load() || n == 0) continue;
        sink->OnBytesReceived(report.data() + 2, n);
    }
}

void HidLink::Close()
{
    if (!device_) return;
    if (!failed_) SendAttach(kAttachClose);
    if (reader_.joinable()) {
        shutdown_ = true;
        reader_.join();
    }
    device_.reset();
    name_.clear();
    failed_ = false;
}

} // namespace kavex
