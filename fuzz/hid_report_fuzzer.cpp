// A HID reader as the device describes and answers: its report descriptor
// (which sets the report lengths the link works with) and the input reports
// its reader thread hands on. The device is unplugged after the last report.
#include <fuzzer/FuzzedDataProvider.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "sdk/transports/device_list.h"
#include "sdk/transports/hid_link.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Check(bool condition)
{
    if (!condition) std::abort();
}

class ScriptedDevice final : public kavex::HidDeviceIo {
public:
    ScriptedDevice(kavex::HidReportLengths lengths, std::vector<Bytes> reports)
        : lengths_(lengths), reports_(std::move(reports))
    {
    }
    bool WriteReport(const uint8_t* /*report*/, size_t len) override
    {
        // Reports always go out at the device's length, or the link's
        // default when the device tells none it can use.
        Check(len == (lengths_.output < 3 ? kavex::HidLink::kDefaultReportLength : lengths_.output));
        return true;
    }
    int ReadReport(uint8_t* buffer, size_t size, int timeoutMs) override
    {
        std::lock_guard<std::mutex> lock(mu_);
        // The discard before a request reads with no wait: it only gets
        // what came before.
        if (timeoutMs == 0 || next_ >= reports_.size()) {
            if (next_ >= reports_.size() && timeoutMs != 0) {
                unplugged_ = true;
                done_.notify_all();
                return -1;
            }
            return 0;
        }
        const Bytes& r = reports_[next_++];
        const size_t n = std::min(r.size(), size);
        if (n > 0) std::memcpy(buffer, r.data(), n);
        return static_cast<int>(n);
    }
    size_t InputReportLength() const override { return lengths_.input; }
    size_t OutputReportLength() const override { return lengths_.output; }

    void AwaitUnplugged()
    {
        std::unique_lock<std::mutex> lock(mu_);
        done_.wait(lock, [this] { return unplugged_; });
    }

private:
    kavex::HidReportLengths lengths_;
    std::vector<Bytes> reports_;
    size_t next_ = 0;
    std::mutex mu_;
    std::condition_variable done_;
    bool unplugged_ = false;
};

class OneDevice final : public kavex::DeviceSource {
public:
    explicit OneDevice(std::unique_ptr<ScriptedDevice> device) : device_(std::move(device)) {}
    std::vector<kavex::DeviceRecord> SerialPorts() override { return {}; }
    std::vector<kavex::DeviceRecord> UsbDevices() override { return {}; }
    std::vector<kavex::DeviceRecord> HidDevices() override { return {Record()}; }
    std::unique_ptr<kavex::HidDeviceIo> OpenHidDevice(const kavex::DeviceRecord& /*hid*/) override
    {
        return std::move(device_);
    }
    static kavex::DeviceRecord Record()
    {
        kavex::DeviceRecord r;
        r.subsystem = "hidraw";
        r.vendorId = kavex::kSecondHidVendorId;
        r.productId = kavex::kSecondHidProductId;
        r.serial = "1234567";
        r.serialReadable = true;
        return r;
    }

private:
    std::unique_ptr<ScriptedDevice> device_;
};

class Collector final : public kavex::ByteSink {
public:
    explicit Collector(size_t reportLength) : reportLength_(reportLength) {}
    void OnBytesReceived(const uint8_t* data, size_t len) override
    {
        // Only the bytes a report carries, never more than fit in one.
        Check(len > 0 && len + 2 <= reportLength_);
        bytes.insert(bytes.end(), data, data + len);
    }
    Bytes bytes;

private:
    size_t reportLength_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const Bytes descriptor = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 1024));
    const kavex::HidReportLengths lengths = kavex::ParseReportDescriptor(descriptor);
    // Whatever the descriptor claims, the link never works with reports
    // beyond 64 KiB.
    Check(lengths.input <= 65537 && lengths.output <= 65537);
    std::vector<Bytes> reports;
    while (in.remaining_bytes() > 0)
        reports.push_back(in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 80)));

    auto device = std::make_unique<ScriptedDevice>(lengths, std::move(reports));
    ScriptedDevice* scripted = device.get();
    OneDevice source(std::move(device));
    kavex::HidLink link;
    Check(link.Open(source, kavex::HidReaderName(OneDevice::Record())));
    Check(link.InputReportLength() >= 3 && link.OutputReportLength() >= 3);
    Collector sink(link.InputReportLength());
    const uint8_t frame[] = {0x02, 0x01, 0xF0, 0x00, 0xF1};
    link.Write(frame, sizeof frame);
    Check(link.StartReader(sink));
    scripted->AwaitUnplugged();
    link.Close();
    return 0;
}
