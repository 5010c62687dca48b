// One opened HID device, as the HID link sees it: whole reports in and out.
// The system's devices go through hidapi; a program without HID hardware
// can hand over devices of its own through its device source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kavex {

class HidDeviceIo {
public:
    virtual ~HidDeviceIo() = default;
    // Writes one output report; byte 0 is the report ID (0: the device
    // numbers no reports). False when the report did not go out.
    virtual bool WriteReport(const uint8_t* report, size_t len) = 0;
    // Waits up to timeoutMs for one input report and stores it with its
    // report ID in byte 0. Returns the bytes stored, 0 when none came, -1
    // when the device is gone. Two threads may read at once; each report
    // goes to one of them whole.
    virtual int ReadReport(uint8_t* buffer, size_t size, int timeoutMs) = 0;
    // Report lengths including the report ID byte; 0 when unknown.
    virtual size_t InputReportLength() const = 0;
    virtual size_t OutputReportLength() const = 0;
};

struct HidReportLengths {
    size_t input = 0;      // longest input report, with the report ID byte; 0 when none
    size_t output = 0;     // likewise for output reports
    bool numbered = false; // the device puts a report ID in front of its reports
};

// Report lengths from a HID report descriptor (the items of the HID class
// definition; long items are skipped).
HidReportLengths ParseReportDescriptor(const std::vector<uint8_t>& descriptor);

// A hidraw device through hidapi, by its hidapi path; null when it cannot
// be opened.
std::unique_ptr<HidDeviceIo> OpenSystemHidDevice(const std::string& path);

} // namespace kavex
