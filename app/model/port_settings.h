// The rules of the interface selection that need no window: list entries
// and their prefixes, the baud code with its line settings, the repair of a
// stored interface that is gone, and the refresh of the device lists.
#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

class CDeviceListSource;

enum class DeviceKind { Com = 0, Usb = 1, Lan = 2, Bluetooth = 3 };

extern const QString kUsbPrefix;       // "USB: "
extern const QString kLanPrefix;       // "LAN: "
extern const QString kBluetoothPrefix; // "Bluetooth: "
extern const QString kSimulatorSuffix; // " [Kavex Simulator]"

// An entry without any of the three prefixes is a serial port.
bool IsSerialEntry(const QString& entry);
// The name for Kavex_OpenPort: the entry without its prefix, a serial
// entry also without its descriptive " [...]" suffix, then ":" and address.
QString GetPortName(const QString& entry, int address);
// What to open for a serial entry: the entry without its " [...]" suffix.
QString SerialDevice(const QString& entry);

// Why a typed device path cannot be a serial interface (in the user's
// language), or an empty text when it is a character device or a link to one.
QString DevicePathProblem(const QString& path);

// A USB entry of one of the maker's HID-capable readers.
bool IsMakerHidReader(const QString& entry);
// A serial entry of one of the maker's readers in virtual-COM mode.
bool IsVirtualComEntry(const QString& entry);

enum class ModeButtons { Disabled, HidSelected, VirtualComSelected };
ModeButtons ModeButtonsFor(const QString& entry);

// The line settings shown for a stored baud code.
enum Parity { kParityNone = 0, kParityEven = 1, kParityOdd = 2 }; // entries "keine", "gerade", "ungerade"
enum StopBits { kStopBits1 = 0, kStopBits2 = 1 };                 // entries "1", "2"
struct LineSettings {
    QString baud; // e.g. "19200"
    int parity;
    int stopBits;
};
LineSettings LineSettingsFromBaudCode(int baudCode);
// The code stored for the chosen settings; an empty baud text (nothing
// chosen) gives 19200. With parity the stop bits are not stored.
int BaudCodeFromLineSettings(const QString& baud, int parity, int stopBits);

// Brings list up to date with fresh, keeping the equal leading entries;
// true when anything was added, replaced or removed.
bool MergeDeviceList(QStringList& list, const QStringList& fresh);

// A stored USB, LAN or Bluetooth interface that is gone is replaced by the
// first present one of its kind, or by nothing. Serial names (and LAN
// names while Ethernet is off) stay.
QString RepairStoredPortName(const QString& name, bool ethernet, CDeviceListSource& source);

// The device lists refresh once more every second for five seconds after a
// device arrived.
struct RefreshStep {
    bool startTimer;
    int counter;
};
RefreshStep NextRefreshStep(int eventCode, int counter);

constexpr int kDevNodesChanged = 7;
constexpr int kConfigChanged = 24;
constexpr int kDeviceArrived = 0x8000;
constexpr int kDeviceRemoved = 0x8004;

} // namespace velmora
