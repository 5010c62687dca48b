#include "sdk/transports/device_list.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <mutex>

namespace kavex {

namespace {

struct SerialKind {
    const char* prefix;
    int rank;
};
// Order of the kinds in the list: built-in ports first, then USB-serial
// bridges, then virtual-COM devices.
constexpr SerialKind kSerialKinds[] = {{"ttyS", 0}, {"ttyUSB", 1}, {"ttyACM", 2}};

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    for (size_t i = 0; prefix[i]; ++i) {
        if (i >= text.size()) return false;
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

bool AllDigits(const std::string& s, size_t from)
{
    if (from >= s.size()) return false;
    for (size_t i = from; i < s.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

const SerialKind* KindOf(const std::string& sysname)
{
    // "ttyS" is a prefix of neither other kind, but "ttySAC0" and the like
    // must not count as ttyS: the rest has to be the port number.
    for (const SerialKind& kind : kSerialKinds) {
        const size_t n = std::char_traits<char>::length(kind.prefix);
        if (sysname.compare(0, n, kind.prefix) == 0 && AllDigits(sysname, n)) return &kind;
    }
    return nullptr;
}

struct SortKey {
    int rank;
    unsigned long number;
    bool operator<(const SortKey& o) const { return rank != o.rank ? rank < o.rank : number < o.number; }
};

SortKey KeyOf(const std::string& sysname)
{
    const SerialKind* kind = KindOf(sysname);
    if (!kind) return {99, 0};
    unsigned long number = 0;
    for (size_t i = std::char_traits<char>::length(kind->prefix); i < sysname.size(); ++i) {
        if (number > 100000000UL) break; // no such port; only keeps the arithmetic in range
        number = number * 10 + static_cast<unsigned long>(sysname[i] - '0');
    }
    return {kind->rank, number};
}

void AppendUtf8(std::string& out, unsigned long cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::mutex& HeldOpenLock()
{
    static std::mutex lock;
    return lock;
}

std::map<std::string, int>& HeldOpen()
{
    static std::map<std::string, int> held;
    return held;
}

} // namespace

// --- Serial ports ---------------------------------------------------------

bool IsListedSerialKind(const std::string& sysname)
{
    return KindOf(sysname) != nullptr;
}

bool IsPlaceholderSerialPort(const DeviceRecord& tty)
{
    // The 8250 driver registers ttyS0..ttyS(n-1) whether or not a UART
    // answers there; opening one of those succeeds and then nothing moves.
    if (tty.sysname.compare(0, 4, "ttyS") != 0) return false;
    return !tty.driverBound || tty.portType == 0;
}

std::string DeviceDescription(const DeviceRecord& device)
{
    if (device.model.empty()) return device.vendor;
    if (device.vendor.empty() || StartsWithNoCase(device.model, device.vendor.c_str())) return device.model;
    return device.vendor + " " + device.model;
}

std::string SerialPortSuffix(const std::string& description, uint16_t vendorId, uint16_t productId)
{
    if (StartsWithNoCase(description, "Brakk") || StartsWithNoCase(description, "QT-7"))
        return " [" + description + "]";
    if (vendorId == kMakerVendorId && productId == kVirtualComProductId) return " [Brakk Virtual COM]";
    return {};
}

std::string SerialPortEntry(const DeviceRecord& tty)
{
    const std::string path = tty.devnode.empty() ? "/dev/" + tty.sysname : tty.devnode;
    return path + SerialPortSuffix(DeviceDescription(tty), tty.vendorId, tty.productId);
}

std::vector<std::string> SerialPortList(const std::vector<DeviceRecord>& ttys)
{
    std::vector<const DeviceRecord*> present;
    for (const DeviceRecord& tty : ttys)
        if (IsListedSerialKind(tty.sysname) && !IsPlaceholderSerialPort(tty)) present.push_back(&tty);
    // Stable, so that equal numbers keep the database's order, as inserting
    // each entry before the first larger one would.
    std::stable_sort(present.begin(), present.end(), [](const DeviceRecord* a, const DeviceRecord* b) {
        return KeyOf(a->sysname) < KeyOf(b->sysname);
    });
    std::vector<std::string> entries;
    entries.reserve(present.size());
    for (const DeviceRecord* tty : present) entries.push_back(SerialPortEntry(*tty));
    return entries;
}

// --- USB readers ----------------------------------------------------------

std::optional<int> ArticleNumber(const std::string& name)
{
    const size_t n = std::min<size_t>(4, name.size());
    if (n == 0 || !std::isdigit(static_cast<unsigned char>(name[0]))) return std::nullopt;
    int number = 0;
    for (size_t i = 0; i < n && std::isdigit(static_cast<unsigned char>(name[i])); ++i)
        number = number * 10 + (name[i] - '0');
    return number;
}

bool HasKnownArticleNumber(const std::string& name, const ArticleRange* ranges, size_t rangeCount)
{
    const std::optional<int> number = ArticleNumber(name);
    if (!number) return false;
    for (size_t i = 0; i < rangeCount; ++i)
        if (*number >= ranges[i].first && *number <= ranges[i].last) return true;
    return false;
}

std::optional<std::string> HidSerialText(const wchar_t* serial)
{
    if (!serial || !serial[0]) return std::nullopt;
    std::string text;
    for (size_t i = 0; i < kHidSerialMaxCharacters && serial[i]; ++i) {
        const unsigned long cp = static_cast<unsigned long>(serial[i]);
        // Lone surrogates and values beyond Unicode have no UTF-8 form. The
        // text comes from the device: a control character (a NUL above all)
        // would end the name early or split it into two in a name list.
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF || cp < 0x20 || (cp >= 0x7F && cp < 0xA0))
            text += '?';
        else
            AppendUtf8(text, cp);
    }
    return text;
}

std::string HidNameText(const std::string& serial)
{
    std::string text;
    size_t characters = 0;
    for (size_t i = 0; i < serial.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(serial[i]);
        const bool continuation = (c & 0xC0) == 0x80;
        if (!continuation && ++characters > kHidSerialMaxCharacters) break;
        if (c < 0x20 || c == 0x7F) {
            text += '?';
        } else if (c == 0xC2 && i + 1 < serial.size() && static_cast<unsigned char>(serial[i + 1]) < 0xA0 &&
                   static_cast<unsigned char>(serial[i + 1]) >= 0x80) {
            text += '?'; // C1 control, U+0080 to U+009F
            ++i;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

std::string HidReaderName(const DeviceRecord& hid)
{
    // Whatever the source, the serial number is the device's own text.
    const std::string serial = HidNameText(hid.serial);
    const bool readable = hid.serialReadable && !serial.empty();
    return (readable ? serial : std::string(kHidSerialPlaceholder)) + kHidNameSuffix;
}

std::vector<std::string> UsbReaderList(const std::vector<DeviceRecord>& usbDevices,
                                       const std::vector<DeviceRecord>& hidDevices,
                                       const std::vector<std::string>& ftdiHeldOpen, const ArticleRange* ranges,
                                       size_t rangeCount)
{
    std::vector<std::string> names;
    for (const DeviceRecord& usb : usbDevices) {
        if (usb.vendorId != kFtdiVendorId || usb.productId != kFtdiReaderProductId) continue;
        if (!usb.serialReadable || usb.serial.empty()) continue;
        if (std::find(ftdiHeldOpen.begin(), ftdiHeldOpen.end(), usb.serial) != ftdiHeldOpen.end()) continue;
        if (HasKnownArticleNumber(usb.serial, ranges, rangeCount)) names.push_back(usb.serial);
    }
    // hidapi reports one entry per HID interface, and two readers may share
    // a serial number: a HID name is listed once, and opening it takes the
    // first device of that name.
    std::vector<std::string> hidNames;
    for (const DeviceRecord& hid : hidDevices) {
        if (!IsAcceptedHidReader(hid.vendorId, hid.productId)) continue;
        std::string name = HidReaderName(hid);
        if (!HasKnownArticleNumber(name, ranges, rangeCount)) continue;
        if (std::find(hidNames.begin(), hidNames.end(), name) == hidNames.end()) hidNames.push_back(std::move(name));
    }
    names.insert(names.end(), hidNames.begin(), hidNames.end());
    return names;
}

std::string FtdiTtyBySerial(const std::vector<DeviceRecord>& ttys, const std::string& serial)
{
    for (const DeviceRecord& tty : ttys)
        if (tty.vendorId == kFtdiVendorId && tty.serialReadable && tty.serial == serial && !tty.devnode.empty())
            return tty.devnode;
    return {};
}

void MarkFtdiHeldOpen(const std::string& serial)
{
    std::lock_guard<std::mutex> guard(HeldOpenLock());
    ++HeldOpen()[serial];
}

void UnmarkFtdiHeldOpen(const std::string& serial)
{
    std::lock_guard<std::mutex> guard(HeldOpenLock());
    auto it = HeldOpen().find(serial);
    if (it != HeldOpen().end() && --it->second <= 0) HeldOpen().erase(it);
}

std::vector<std::string> FtdiSerialsHeldOpen()
{
    std::lock_guard<std::mutex> guard(HeldOpenLock());
    std::vector<std::string> serials;
    for (const auto& entry : HeldOpen()) serials.push_back(entry.first);
    return serials;
}

// --- Drivers --------------------------------------------------------------

int MissingDriverFlags(const std::vector<DeviceRecord>& usbDevices)
{
    int flags = 0;
    for (const DeviceRecord& usb : usbDevices) {
        if (usb.driverBound) continue;
        if (usb.vendorId == kMakerVendorId && usb.productId == kVirtualComProductId)
            flags |= kMissingVirtualComDriver;
        else if (usb.vendorId == kFtdiVendorId && usb.productId == kFtdiReaderProductId)
            flags |= kMissingFtdiDriver;
    }
    return flags;
}

// --- Udev property text ---------------------------------------------------

uint16_t UsbIdFromHex(const std::string& text)
{
    if (text.empty()) return 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    return (end && *end == '\0' && value <= 0xFFFF) ? static_cast<uint16_t>(value) : 0;
}

std::string DecodeUdevEscapes(const std::string& encoded)
{
    std::string out;
    out.reserve(encoded.size());
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x') {
            const int hi = HexValue(encoded[i + 2]);
            const int lo = HexValue(encoded[i + 3]);
            const int value = hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
            // A NUL inside a name would end it early in every C caller.
            if (value > 0) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += encoded[i];
    }
    return out;
}

} // namespace kavex
