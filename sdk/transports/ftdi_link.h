// Link to an FTDI-based reader through FTDI's own library (D2XX), for
// machines where that library, not the kernel's driver, has the device. A
// reader thread blocks in the library's read (bounded by the read timeout
// set at open) and hands the bytes to the sink.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "sdk/transports/ftd2xx_library.h"
#include "sdk/transports/link.h"
#include "sdk/transports/serial_link.h"

namespace kavex {

class FtdiLink final : public Link {
public:
    static constexpr const char* kReaderThreadName = "kavex-ftdi";

    FtdiLink() = default;
    ~FtdiLink() override;

    // Opens the device with this USB serial number and sets its line;
    // while open, the serial number counts as held open.
    bool Open(const std::string& serial, const SerialLineSettings& line);
    bool StartReader(ByteSink& sink);

    void Write(const uint8_t* data, size_t len) override;
    void Close() override;
    bool IsUsb() const override { return true; }

private:
    void Reader(ByteSink* sink);

    CFTD2xxPort d2xx_;
    void* handle_ = nullptr;
    std::string serial_;
    std::thread reader_;
    std::atomic<bool> shutdown_{false};
};

} // namespace kavex
