#include "sdk/core/port_registry.h"

#include <algorithm>
#include <cstdint>

#include "sdk/core/handle_pool.h"
#include "sdk/core/port_name.h"
#include "kavex.h"
#include "sdk/support/device_models.h"
#include "sdk/support/status_codes.h"
#include "sdk/support/trace.h"
#include "sdk/core/idle_hook.h"
#include "sdk/transports/lan_discovery.h"
#include "sdk/transports/bluetooth_link.h"
#include "sdk/transports/serial_link.h"
#include "sdk/transports/tcp_link.h"
#include "sdk/transports/hid_link.h"
#include "sdk/transports/ftdi_link.h"

namespace kavex {

namespace {

// Identification runs with at most this timeout so that probing four
// variants stays quick.
constexpr int kIdentifyTimeoutMs = 300;
constexpr size_t kIdentAnswerLength = 4;
// Device type of a reader behind a Bluetooth module.
constexpr int kBluetoothDeviceType = 0x125;

// Set while this thread runs an open: an open started from the idle hook
// during the identification would wait for openLock_ forever.
thread_local bool openingOnThisThread = false;

struct OpeningOnThisThread {
    OpeningOnThisThread() { openingOnThisThread = true; }
    ~OpeningOnThisThread() { openingOnThisThread = false; }
};

bool IsAbove(const std::vector<uint8_t>& a, uint8_t floor)
{
    for (uint8_t b : a)
        if (b <= floor) return false;
    return true;
}

// A LAN name leads to an address and port; a name in identity form is
// first looked up among the modules that answer on the adapters, and the
// adapter that answered is the one the connection leaves from.
bool OpenLanLink(CKavex_Port& port, const std::string& name)
{
    const auto target = kavex::lan::ParseLanTarget(name);
    if (!target) return false;
    kavex::TcpEndpoint endpoint;
    endpoint.host = target->host;
    endpoint.port = target->port != 0 ? target->port : kavex::lan::kDefaultTcpPort;
    if (!target->identity.empty()) {
        const auto resolved = kavex::lan::ResolveIdentity(target->identity, [] { kavex::RunIdleHook(); });
        if (!resolved) return false;
        endpoint.host = resolved->host;
        endpoint.bindAddress = resolved->bindAddress;
        if (target->port == 0) endpoint.port = resolved->port;
    }
    auto link = std::make_unique<kavex::CTCPSocketThread>();
    if (!link->Connect(endpoint, port)) return false;
    port.AttachLink(std::move(link), LinkKind::Lan, kavex::HandlePoolFor(LinkKind::Lan).Acquire());
    return true;
}

// The module's device handle would clash with the serial numbering here
// (descriptors are small numbers too): Bluetooth ports draw from a range
// of their own.
bool OpenBluetoothLink(CKavex_Port& port, const std::string& name)
{
    auto link = std::make_unique<kavex::CBluetoothLink>();
    if (!link->Open(name)) return false;
    port.AttachLink(std::move(link), LinkKind::Bluetooth, kavex::HandlePoolFor(LinkKind::Bluetooth).Acquire());
    return true;
}

bool OpenByteLink(CKavex_Port& port, const kavex::PortName& parsed, int baud);

bool OpenD2xxLink(CKavex_Port& port, const std::string& serial, const kavex::SerialLineSettings& settings)
{
    auto link = std::make_unique<kavex::FtdiLink>();
    if (!link->Open(serial, settings)) return false;
    link->StartReader(port);
    // FTDI links count among the serial ones.
    port.AttachLink(std::move(link), LinkKind::Serial, kavex::HandlePoolFor(LinkKind::Serial).Acquire());
    return true;
}

// A HID reader by its HID name. The open fails with its own code when the
// reader does not take the attach report.
int OpenHidLink(CKavex_Port& port, const std::string& name)
{
    std::unique_ptr<kavex::DeviceSource> source = kavex::MakeDeviceSource();
    auto link = std::make_unique<kavex::HidLink>();
    if (!link->Open(*source, name)) return KAVEX_OPEN_LINK_FAILED;
    if (!link->SendAttach(kavex::HidLink::kAttachOpen)) return KAVEX_OPEN_HID_REFUSED;
    link->StartReader(port);
    port.AttachLink(std::move(link), LinkKind::Hid, kavex::HandlePoolFor(LinkKind::Hid).Acquire());
    return 0;
}

// Opens the link the name asks for.
int OpenLink(CKavex_Port& port, const kavex::PortName& parsed, int baud)
{
    if (parsed.kind == kavex::PortNameKind::Hid) return OpenHidLink(port, parsed.name);
    return OpenByteLink(port, parsed, baud) ? 0 : KAVEX_OPEN_LINK_FAILED;
}

bool OpenByteLink(CKavex_Port& port, const kavex::PortName& parsed, int baud)
{
    if (parsed.kind == kavex::PortNameKind::Lan) return OpenLanLink(port, parsed.name);
    if (parsed.kind == kavex::PortNameKind::Bluetooth) return OpenBluetoothLink(port, parsed.name);
    if (parsed.kind != kavex::PortNameKind::Serial) return false;
    const kavex::LineSettingsFromBaud line = kavex::DecodeBaud(baud);
    kavex::SerialLineSettings settings;
    settings.baud = line.baud;
    settings.parity = line.parity;
    settings.stopBits = line.stopBits;
    auto serial = std::make_unique<kavex::CUSBSerialPort>();
    if (kavex::NormaliseSerialName(parsed.name).ftdi) {
        // An FTDI reader by its serial number: where the kernel's driver
        // made a ttyUSB of it, the device database finds that by the
        // number; otherwise FTDI's own library may have the device.
        std::unique_ptr<kavex::DeviceSource> source = kavex::MakeDeviceSource();
        const std::string path = kavex::FtdiTtyBySerial(source->SerialPorts(), parsed.name);
        if (path.empty()) return OpenD2xxLink(port, parsed.name, settings);
        if (!serial->OpenFtdi(parsed.name, path, settings)) return false;
    } else if (!serial->Open(parsed.name, settings)) {
        return false;
    }
    serial->StartMonitor(port, kavex::CUSBSerialPort::InputDelivery::WaitingThread);
    port.AttachLink(std::move(serial), LinkKind::Serial, kavex::HandlePoolFor(LinkKind::Serial).Acquire());
    return true;
}

} // namespace

CKavex_SDKApp& CKavex_SDKApp::Instance()
{
    static CKavex_SDKApp app;
    return app;
}

CKavex_SDKApp::CKavex_SDKApp()
{
    // Closing a port returns its handle to a pool. Pools made before the
    // registry are destroyed after it, so ports still open at exit can be
    // closed from the destructor.
    for (LinkKind kind : {LinkKind::Serial, LinkKind::Lan, LinkKind::Hid, LinkKind::Bluetooth}) HandlePoolFor(kind);
}

CKavex_SDKApp::~CKavex_SDKApp()
{
    CloseAllPorts();
}

CKavex_Port* CKavex_SDKApp::FindPort(int handle)
{
    std::lock_guard<std::mutex> lock(listLock_);
    for (auto it = portList_.begin(); it != portList_.end();) {
        const int h = (*it)->GetHandle();
        if (h == handle && h != 0) return it->get();
        if (h == 0) {
            (*it)->CloseLink();
            it = portList_.erase(it);
        } else {
            ++it;
        }
    }
    return nullptr;
}

void CKavex_SDKApp::AddPort(std::unique_ptr<CKavex_Port> port)
{
    std::lock_guard<std::mutex> lock(listLock_);
    portList_.push_back(std::move(port));
}

std::unique_ptr<CKavex_Port> CKavex_SDKApp::RemovePort(CKavex_Port* port)
{
    std::lock_guard<std::mutex> lock(listLock_);
    for (auto it = portList_.begin(); it != portList_.end(); ++it) {
        if (it->get() == port) {
            std::unique_ptr<CKavex_Port> owned = std::move(*it);
            portList_.erase(it);
            return owned;
        }
    }
    return nullptr;
}

void CKavex_SDKApp::CloseAllPorts()
{
    std::lock_guard<std::mutex> lock(listLock_);
    while (!portList_.empty()) {
        portList_.front()->CloseLink();
        portList_.pop_front();
    }
}

bool CKavex_SDKApp::ExecuteCommand(int handle, uint8_t command, const std::vector<uint8_t>& data,
                                   std::vector<uint8_t>& answer)
{
    CKavex_Port* port = FindPort(handle);
    if (!port) return false;
    return port->Execute(command, data, answer);
}

bool CKavex_SDKApp::Identify(CKavex_Port& port, std::vector<uint8_t>& answer)
{
    if (!port.Execute(0xF0, {}, answer)) return false;
    if (port.variant == 2 && answer.size() == kIdentAnswerLength) {
        const bool wantsFirmwareRequest = answer == std::vector<uint8_t>{0x04, 0x05, 0x31, 0x35};
        answer[0] = '1';
        answer[1] = '7';
        answer[2] = '1';
        if (wantsFirmwareRequest) {
            std::vector<uint8_t> second;
            if (port.Execute(0xF0, {'F', 'V'}, second) && second != std::vector<uint8_t>{0x04, 0x05, 0x31, 0x35} &&
                second.size() >= kIdentAnswerLength && IsAbove(second, 0x20))
                answer = second;
        }
    } else if (port.variant == 3 && answer.size() == 9) {
        answer = {'1', '1', '7', answer[7]};
    }
    return true;
}

int CKavex_SDKApp::OpenPort(const char* name, int baud, int timeoutMs)
{
    // A pointer this small is a resource number on other platforms; there
    // are no string resources here, and it must never be dereferenced.
    const bool usable = reinterpret_cast<uintptr_t>(name) >= 65536;
    const std::string given = usable ? std::string(name) : std::string();
    if (usable)
        kavex::TraceLine("Kavex_OpenPort(%s,%d,%d)", given.c_str(), baud, timeoutMs);
    else
        kavex::TraceLine("Kavex_OpenPort(#%u,%d,%d)", static_cast<unsigned>(reinterpret_cast<uintptr_t>(name)), baud,
                         timeoutMs);

    int result = KAVEX_OPEN_LINK_FAILED;
    if (usable && !openingOnThisThread) {
        if (!kavex::CarriesLineSettings(given)) baud = 19200;
        std::lock_guard<std::mutex> open(openLock_);
        OpeningOnThisThread opening;
        result = OpenLocked(given, baud, timeoutMs);
    }
    kavex::TraceLine(" = %d\r\n", result);
    return result;
}

int CKavex_SDKApp::OpenLocked(const std::string& given, int baud, int timeoutMs)
{
    const kavex::PortName parsed = kavex::ParsePortName(given);
    bool retry = true;
    for (;;) {
        auto owned = std::make_unique<CKavex_Port>();
        if (timeoutMs < 0) return KAVEX_OPEN_BAD_TIMEOUT;
        owned->timeoutMs = timeoutMs;
        owned->address = parsed.address;
        owned->name = parsed.name;
        if (parsed.kind == kavex::PortNameKind::Refused) return KAVEX_OPEN_LINK_FAILED;
        if (const int failed = OpenLink(*owned, parsed, baud)) return failed;

        if (parsed.kind == kavex::PortNameKind::Bluetooth) {
            // The reader is reached only once the module has found it, on
            // the first exchange: there is nothing to identify yet.
            owned->deviceType = kBluetoothDeviceType;
            const int handle = owned->GetHandle();
            AddPort(std::move(owned));
            return handle;
        }

        CKavex_Port* port = owned.get();
        // Listed from here on, so the idle hook could reach it by its handle.
        port->BeginCall();
        AddPort(std::move(owned));
        port->timeoutMs = std::min(timeoutMs, kIdentifyTimeoutMs);

        std::vector<uint8_t> answer;
        bool identified = Identify(*port, answer);
        if (!identified && retry) {
            // A reader that was still busy with an earlier frame often
            // answers a fresh line: close it and start over once.
            retry = false;
            RemovePort(port);
            continue;
        }
        for (uint8_t v = 1; !identified && v <= 3; ++v) {
            port->variant = v;
            identified = Identify(*port, answer);
        }
        if (!identified || answer.size() != kIdentAnswerLength) {
            port->deviceType = 0;
            port->variant = 0;
            RemovePort(port);
            return KAVEX_OPEN_NO_ANSWER;
        }
        port->deviceType = kavex::ParseDeviceTypeCode(answer.data(), answer.size());
        port->firmwareRevision = static_cast<char>(answer[3]);
        port->timeoutMs = timeoutMs;
        // Identification may have failed on the way (an optional request,
        // a variant that did not answer); the open did not.
        port->lastStatus = kStatusOk;
        port->EndCall();
        return port->GetHandle();
    }
}

int CKavex_SDKApp::ClosePort(int handle)
{
    kavex::TraceLine("Kavex_ClosePort(%d)\r\n", handle);
    CKavex_Port* port = FindPort(handle);
    if (!port) return -1;
    if (!port->BeginCall()) {
        port->lastStatus = kStatusPortBusy;
        return -1;
    }
    std::unique_ptr<CKavex_Port> owned = RemovePort(port);
    if (owned) owned->CloseLink();
    return 0;
}

} // namespace kavex
