// Link to a Bluetooth reader through a Bluetooth module on the host side:
// a module on a serial port ("/dev/ttyUSB1 BT", "COM7 BT") or the maker's
// USB adapter (its serial number followed by " BT"). The host talks to the
// module in its message protocol; the module finds the reader by an
// inquiry, connects to it and tunnels the reader frames.
//
// The link has no thread of its own. The frame protocol polls it while it
// waits for an answer (PollInput); the connection to the reader is made on
// demand by a write or a poll, at most once every 500 ms. Waits for the
// module block in poll() on the line (or in the library's timed read).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sdk/transports/bt_module_protocol.h"
#include "sdk/transports/link.h"

namespace kavex {

// How the bytes of module messages travel to and from the module.
class ModuleChannel {
public:
    virtual ~ModuleChannel() = default;
    virtual bool Send(const uint8_t* data, size_t len) = 0;
    // Reads at most max bytes; waits up to waitMs for the first one.
    virtual size_t Receive(uint8_t* buffer, size_t max, int waitMs) = 0;
    // The module went away (unplugged, line hung up): nothing more comes.
    bool Gone() const { return gone_; }

protected:
    bool gone_ = false;
};

// The serial device a module name leads to: "/dev/..." as it is, "COMn"
// and "\\.\COMn" as for serial readers; empty for anything else.
std::string ModuleSerialPath(const std::string& nameWithoutSuffix);

class CBluetoothLink final : public Link {
public:
    using Clock = std::chrono::steady_clock;
    using Address = std::array<uint8_t, 6>;

    static constexpr uint32_t kReaderClass = 0x000500;
    static constexpr int kSerialModuleBaud = 9600;

    CBluetoothLink();
    ~CBluetoothLink() override;

    // Opens the module the name (ending in " BT") names: an adapter with
    // that serial number when the USBXpress library knows one, else a
    // serial port.
    bool Open(const std::string& name);
    // Works through a channel the caller provides, as on a module on a
    // serial port: for tests and the fuzz target, which play the module.
    void OpenOnChannel(std::unique_ptr<ModuleChannel> channel, const std::string& name);

    void Write(const uint8_t* data, size_t len) override;
    void Close() override;
    void PollInput(ByteSink& sink) override;

    bool IsSerialModule() const { return serialModule_; }
    bool IsConnected() const { return connected_; }
    const std::string& Name() const { return name_; }

private:
    bool OpenSerialModule(const std::string& path);
    bool OpenAdapter(int index);
    bool SendRequest(uint8_t code, const std::vector<uint8_t>& data);
    void Await(uint16_t id);
    // Takes in what the module sent, waiting up to waitMs, and handles every
    // complete message.
    void Step(int waitMs);
    // Steps until the answer flag is set or limitMs have passed.
    bool StepUntilAnswer(int limitMs);
    void Handle(const bt::ModuleMessage& m);
    bool ConnectOnDemand();
    bool FindReader();
    bool Inquiry(int limitMs, uint32_t classFilter);
    bool RequestName(const Address& device, int limitMs);

    std::string name_;
    bool serialModule_ = false;
    std::unique_ptr<ModuleChannel> channel_;
    uint16_t awaited_ = 0;
    bt::ModuleInput input_;
    std::vector<uint8_t> received_;
    std::vector<Address> found_;
    uint32_t classFilter_ = 0;
    std::string nameBuffer_;
    Address moduleAddress_{};
    bool connected_ = false;
    bool answer_ = false;
    uint8_t lastError_ = 0;
    uint8_t lastDataStatus_ = 0;
    Address remote_{};
    bool remoteKnown_ = false;
    uint8_t linkParameter_ = 2;
    // The frame that asked for the connection goes out once it is there:
    // without this wait, the first exchange after every open would be lost.
    int connectWaitMs_ = 5000;
    bool attempted_ = false;
    Clock::time_point lastAttempt_{};
};

} // namespace kavex
