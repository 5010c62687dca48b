// HID devices through hidapi's hidraw backend. hidraw hands out reports
// without a report ID byte when the device numbers none; the link always
// sees one, as on other platforms.
#include <algorithm>
#include <fstream>
#include <iterator>

#include <hidapi.h>

#include "sdk/transports/hid_device_io.h"

namespace kavex {

namespace {

// Main item tags (upper six bits of the prefix byte).
constexpr uint8_t kInputItem = 0x80;
constexpr uint8_t kOutputItem = 0x90;
// Global item tags.
constexpr uint8_t kReportSizeItem = 0x74;
constexpr uint8_t kReportIdItem = 0x84;
constexpr uint8_t kReportCountItem = 0x94;
constexpr uint8_t kLongItemPrefix = 0xFE;
// A descriptor can claim any count; a report of more than 64 KiB is no
// report a reader sends, and the link allocates its reports whole.
constexpr size_t kMostReportBits = size_t{1} << 19;

std::string HidrawName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<uint8_t> ReportDescriptorOf(const std::string& path)
{
    std::ifstream in("/sys/class/hidraw/" + HidrawName(path) + "/device/report_descriptor", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SystemHidDevice final : public HidDeviceIo {
public:
    SystemHidDevice(hid_device* device, HidReportLengths lengths) : device_(device), lengths_(lengths) {}
    ~SystemHidDevice() override { hid_close(device_); }

    bool WriteReport(const uint8_t* report, size_t len) override { return hid_write(device_, report, len) >= 0; }

    int ReadReport(uint8_t* buffer, size_t size, int timeoutMs) override
    {
        if (size < 2) return 0;
        uint8_t* into = lengths_.numbered ? buffer : buffer + 1;
        const int n = hid_read_timeout(device_, into, lengths_.numbered ? size : size - 1, timeoutMs);
        if (n <= 0) return n;
        if (lengths_.numbered) return n;
        buffer[0] = 0;
        return n + 1;
    }

    size_t InputReportLength() const override { return lengths_.input; }
    size_t OutputReportLength() const override { return lengths_.output; }

private:
    hid_device* device_;
    HidReportLengths lengths_;
};

} // namespace

HidReportLengths ParseReportDescriptor(const std::vector<uint8_t>& d)
{
    // Bits per report ID, summed over the main items that follow it.
    std::vector<std::pair<uint8_t, size_t>> inputBits, outputBits;
    auto add = [](std::vector<std::pair<uint8_t, size_t>>& sums, uint8_t id, size_t bits) {
        for (auto& s : sums)
            if (s.first == id) {
                s.second = std::min(s.second + bits, kMostReportBits);
                return;
            }
        sums.push_back({id, bits});
    };
    HidReportLengths lengths;
    uint32_t reportSize = 0, reportCount = 0;
    uint8_t reportId = 0;
    for (size_t i = 0; i < d.size();) {
        const uint8_t prefix = d[i];
        if (prefix == kLongItemPrefix) {
            i += 3 + (i + 1 < d.size() ? d[i + 1] : 0);
            continue;
        }
        const size_t sizes[] = {0, 1, 2, 4};
        const size_t len = sizes[prefix & 3];
        uint32_t value = 0;
        for (size_t k = 0; k < len && i + 1 + k < d.size(); ++k)
            value |= static_cast<uint32_t>(d[i + 1 + k]) << (8 * k);
        i += 1 + len;
        const size_t bits = std::min<uint64_t>(static_cast<uint64_t>(reportSize) * reportCount, kMostReportBits);
        switch (prefix & 0xFC) {
        case kReportSizeItem: reportSize = value; break;
        case kReportCountItem: reportCount = value; break;
        case kReportIdItem:
            reportId = static_cast<uint8_t>(value);
            lengths.numbered = true;
            break;
        case kInputItem: add(inputBits, reportId, bits); break;
        case kOutputItem: add(outputBits, reportId, bits); break;
        default: break;
        }
    }
    auto longest = [](const std::vector<std::pair<uint8_t, size_t>>& sums) {
        size_t bytes = 0;
        for (const auto& s : sums) bytes = std::max(bytes, (s.second + 7) / 8);
        // Byte 0 carries the report ID, also when the device numbers none.
        return bytes == 0 ? 0 : bytes + 1;
    };
    lengths.input = longest(inputBits);
    lengths.output = longest(outputBits);
    return lengths;
}

std::unique_ptr<HidDeviceIo> OpenSystemHidDevice(const std::string& path)
{
    if (hid_init() != 0) return nullptr;
    hid_device* device = hid_open_path(path.c_str());
    if (!device) return nullptr;
    return std::make_unique<SystemHidDevice>(device, ParseReportDescriptor(ReportDescriptorOf(path)));
}

} // namespace kavex
