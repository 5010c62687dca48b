// What the interface selection offers: the serial ports present on the
// machine, the USB readers that can be opened by name, and connected readers
// that no driver has taken. The platform's device database is read through
// a DeviceSource; everything that decides what gets listed and how it reads
// works on the plain records it delivers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/transports/device_list_ids.h"
#include "sdk/transports/hid_device_io.h"

namespace kavex {

// One device as the device database describes it. Fields a source cannot
// fill stay at their defaults.
struct DeviceRecord {
    std::string subsystem; // "tty", "usb" (a whole USB device) or "hidraw"
    std::string devnode;   // device file, "/dev/ttyUSB0"; the hidapi path for HID devices
    std::string sysname;   // kernel name, "ttyUSB0", "1-1.4"
    uint16_t vendorId = 0; // USB IDs of the device or of the USB device behind a tty; 0 when not USB
    uint16_t productId = 0;
    std::string model;  // product name as the database gives it
    std::string vendor; // maker name as the database gives it
    std::string serial; // USB serial number
    bool serialReadable = false;
    // tty: the device behind the tty has a driver. usb: a kernel driver has
    // bound at least one of the device's interfaces.
    bool driverBound = false;
    // ttyS only: the UART type the serial core found (sysfs "type"); 0 means
    // none, the port is a placeholder. -1 when it could not be read.
    int portType = -1;
};

class DeviceSource {
public:
    virtual ~DeviceSource() = default;
    // tty devices (subsystem "tty").
    virtual std::vector<DeviceRecord> SerialPorts() = 0;
    // Whole USB devices (subsystem "usb"), with driverBound from their interfaces.
    virtual std::vector<DeviceRecord> UsbDevices() = 0;
    // HID devices as the HID library enumerates them (subsystem "hidraw").
    virtual std::vector<DeviceRecord> HidDevices() = 0;
    // Opens a HID device of HidDevices() for reading and writing reports;
    // null when it cannot be opened.
    virtual std::unique_ptr<HidDeviceIo> OpenHidDevice(const DeviceRecord& /*hid*/) { return nullptr; }
};

// libudev for ttys and USB devices, hidapi for HID devices.
std::unique_ptr<DeviceSource> MakeSystemDeviceSource();

// --- Serial ports ---------------------------------------------------------

// ttyS, ttyUSB and ttyACM devices, the kinds a reader can sit behind.
// Returns false for any other tty (consoles, ptys, ...).
bool IsListedSerialKind(const std::string& sysname);
// A ttyS the serial core registered without finding a UART behind it.
bool IsPlaceholderSerialPort(const DeviceRecord& tty);
// The text the suffix rules test: the model, prefixed with the maker name
// unless the model already starts with it.
std::string DeviceDescription(const DeviceRecord& device);
// " [description]" for the maker's own descriptions, " [Brakk Virtual COM]"
// for a generic description on the maker's virtual-COM IDs, else nothing.
std::string SerialPortSuffix(const std::string& description, uint16_t vendorId, uint16_t productId);
// Device path plus suffix.
std::string SerialPortEntry(const DeviceRecord& tty);
// Entries of the present ports: ttyS, then ttyUSB, then ttyACM, each kind
// by its number (ttyUSB10 after ttyUSB9).
std::vector<std::string> SerialPortList(const std::vector<DeviceRecord>& ttys);

// --- USB readers ----------------------------------------------------------

// The leading decimal digits among the first four characters of name, when
// there are any.
std::optional<int> ArticleNumber(const std::string& name);
bool HasKnownArticleNumber(const std::string& name, const ArticleRange* ranges = kArticleRanges,
                           size_t rangeCount = kArticleRangeCount);
// The USB serial number string as the HID name uses it: at most 25 wide
// characters, as UTF-8. None when there is no serial number to read.
std::optional<std::string> HidSerialText(const wchar_t* serial);
// At most that many characters of a UTF-8 serial number, control
// characters replaced by '?': a device cannot put a list separator or a
// second name into its HID name.
constexpr size_t kHidSerialMaxCharacters = 25;
std::string HidNameText(const std::string& serial);
// Serial number + " HID", or the placeholder + " HID" when the serial
// number could not be read.
std::string HidReaderName(const DeviceRecord& hid);
// FTDI readers by serial number (those held open here left out), then HID
// readers by HID name (each name once), keeping only names that begin with
// a known article number.
std::vector<std::string> UsbReaderList(const std::vector<DeviceRecord>& usbDevices,
                                       const std::vector<DeviceRecord>& hidDevices,
                                       const std::vector<std::string>& ftdiHeldOpen,
                                       const ArticleRange* ranges = kArticleRanges,
                                       size_t rangeCount = kArticleRangeCount);

// The tty the kernel's FTDI driver made of the FTDI device with this USB
// serial number (exact match); empty when there is none.
std::string FtdiTtyBySerial(const std::vector<DeviceRecord>& ttys, const std::string& serial);

// FTDI readers this program has open do not belong in the list of readers
// that can be opened. The FTDI link marks a serial number when it opens the
// device and unmarks it when it closes; marks are counted.
void MarkFtdiHeldOpen(const std::string& serial);
void UnmarkFtdiHeldOpen(const std::string& serial);
std::vector<std::string> FtdiSerialsHeldOpen();

// --- Drivers --------------------------------------------------------------

constexpr int kMissingFtdiDriver = 1 << 0;
constexpr int kMissingVirtualComDriver = 1 << 1;
int MissingDriverFlags(const std::vector<DeviceRecord>& usbDevices);

// --- The C functions over a given source -----------------------------------

// Name lists as Kavex_ListComPorts and Kavex_ListUsbPorts write them, and
// the flags of Kavex_GetMissingDrivers. They never throw: a source that
// fails leaves an empty list (or no flags).
int ListComPorts(DeviceSource& source, char* buffer, int size) noexcept;
int ListUsbPorts(DeviceSource& source, char* buffer, int size) noexcept;
int GetMissingDrivers(DeviceSource& source) noexcept;

// --- Udev property text ---------------------------------------------------

// A USB vendor or product ID as udev and sysfs write it ("0403"); 0 for
// text that is not a hex number up to 0xFFFF.
uint16_t UsbIdFromHex(const std::string& text);

// Undoes udev's \xHH escaping of the *_ENC properties (ID_MODEL_ENC ...).
// A backslash not followed by 'x' and two hex digits stays as it is.
std::string DecodeUdevEscapes(const std::string& encoded);

// --- Where the device database comes from ---------------------------------

// The source every list function and every open by USB name reads: the
// system's, unless a factory was installed. A program without USB hardware
// (the tests, a demonstration) installs its own; an empty factory restores
// the system's.
using DeviceSourceFactory = std::function<std::unique_ptr<DeviceSource>()>;
void SetDeviceSourceFactory(DeviceSourceFactory factory);
std::unique_ptr<DeviceSource> MakeDeviceSource();

} // namespace kavex
