// Serial port and USB reader lists, and the missing-driver check, over
// devices from a fake database; one test runs the C functions on this
// machine's own devices.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "kavex.h"
#include "sdk/transports/device_list.h"

using namespace kavex;

namespace {

class FakeSource : public DeviceSource {
public:
    std::vector<DeviceRecord> ttys, usb, hid;
    bool fail = false;

    std::vector<DeviceRecord> SerialPorts() override { return Deliver(ttys); }
    std::vector<DeviceRecord> UsbDevices() override { return Deliver(usb); }
    std::vector<DeviceRecord> HidDevices() override { return Deliver(hid); }

private:
    std::vector<DeviceRecord> Deliver(const std::vector<DeviceRecord>& r)
    {
        if (fail) throw std::runtime_error("device database gone");
        return r;
    }
};

DeviceRecord Tty(const std::string& sysname)
{
    DeviceRecord r;
    r.subsystem = "tty";
    r.sysname = sysname;
    r.devnode = "/dev/" + sysname;
    r.driverBound = true;
    return r;
}

DeviceRecord UsbTty(const std::string& sysname, uint16_t vid, uint16_t pid, const std::string& vendor,
                    const std::string& model)
{
    DeviceRecord r = Tty(sysname);
    r.vendorId = vid;
    r.productId = pid;
    r.vendor = vendor;
    r.model = model;
    return r;
}

DeviceRecord Usb(uint16_t vid, uint16_t pid, const std::string& serial, bool bound = true)
{
    DeviceRecord r;
    r.subsystem = "usb";
    r.vendorId = vid;
    r.productId = pid;
    r.serial = serial;
    r.serialReadable = !serial.empty();
    r.driverBound = bound;
    return r;
}

DeviceRecord Hid(uint16_t vid, uint16_t pid, const std::string& serial, bool readable = true)
{
    DeviceRecord r = Usb(vid, pid, serial);
    r.subsystem = "hidraw";
    r.serialReadable = readable;
    return r;
}

// Splits a name list and checks its form: the count covers exactly the
// names and the final NUL.
std::vector<std::string> Names(const char* buffer, int count)
{
    std::vector<std::string> names;
    EXPECT_GE(count, 1);
    int pos = 0;
    while (pos < count && buffer[pos] != '\0') {
        const std::string name(buffer + pos);
        names.push_back(name);
        pos += static_cast<int>(name.size()) + 1;
    }
    EXPECT_EQ(pos, count - 1) << "count does not end at the final NUL";
    return names;
}

using Strings = std::vector<std::string>;

} // namespace

// --- Serial ports ---------------------------------------------------------

TEST(SerialPortList, DescriptiveSuffix)
{
    // A virtual-COM reader whose description is the maker's own.
    EXPECT_EQ(SerialPortEntry(UsbTty("ttyACM7", kMakerVendorId, kVirtualComProductId, "", "Brakk KV-USB Reader")),
              "/dev/ttyACM7 [Brakk KV-USB Reader]");
    // The same reader with a generic description is known by its IDs.
    EXPECT_EQ(SerialPortEntry(UsbTty("ttyACM7", kMakerVendorId, kVirtualComProductId, "", "USB Serial Device")),
              "/dev/ttyACM7 [Brakk Virtual COM]");
    EXPECT_EQ(SerialPortEntry(UsbTty("ttyACM7", kMakerVendorId, kVirtualComProductId, "", "")),
              "/dev/ttyACM7 [Brakk Virtual COM]");
    // Letter case does not matter, and the older brand counts too.
    EXPECT_EQ(SerialPortSuffix("BRAKK programmer", 0x1234, 0x5678), " [BRAKK programmer]");
    EXPECT_EQ(SerialPortSuffix("qt-7 Interface", 0, 0), " [qt-7 Interface]");
    // "Brak" or "QT-" alone is someone else.
    EXPECT_EQ(SerialPortSuffix("Brak", 0, 0), "");
    EXPECT_EQ(SerialPortSuffix("QT-8 Interface", 0, 0), "");
    // Only both IDs together make a virtual-COM reader.
    EXPECT_EQ(SerialPortSuffix("USB Serial Device", kMakerVendorId, kHidProductIds[0]), "");
    EXPECT_EQ(SerialPortSuffix("USB Serial Device", kFtdiVendorId, kVirtualComProductId), "");
    EXPECT_EQ(SerialPortEntry(Tty("ttyS0")), "/dev/ttyS0");
}

TEST(SerialPortList, DescriptionFromVendorAndModel)
{
    // udev often has the maker in the vendor string and the product in the
    // model string; the description carries both.
    const DeviceRecord split = UsbTty("ttyACM0", 0x1234, 0x0001, "Brakk", "KV-USB Reader");
    EXPECT_EQ(DeviceDescription(split), "Brakk KV-USB Reader");
    EXPECT_EQ(SerialPortEntry(split), "/dev/ttyACM0 [Brakk KV-USB Reader]");
    // A model that names its maker already is not prefixed twice.
    EXPECT_EQ(DeviceDescription(UsbTty("ttyACM0", 0, 0, "brakk", "Brakk Reader")), "Brakk Reader");
    EXPECT_EQ(DeviceDescription(UsbTty("ttyACM0", 0, 0, "FTDI", "")), "FTDI");
    // Without a devnode from the database the entry still is a path.
    DeviceRecord bare = Tty("ttyUSB3");
    bare.devnode.clear();
    EXPECT_EQ(SerialPortEntry(bare), "/dev/ttyUSB3");
}

TEST(SerialPortList, OrderedByKindThenNumber)
{
    const std::vector<DeviceRecord> ttys = {Tty("ttyACM0"), Tty("ttyUSB10"), Tty("ttyUSB9"), Tty("ttyS1"),
                                            Tty("ttyUSB1"), Tty("ttyS0"),    Tty("ttyUSB2")};
    EXPECT_EQ(SerialPortList(ttys), (Strings{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB9",
                                             "/dev/ttyUSB10", "/dev/ttyACM0"}));
}

TEST(SerialPortList, OnlyPortsWithHardwareBehind)
{
    DeviceRecord noUart = Tty("ttyS2");
    noUart.portType = 0;
    DeviceRecord noDriver = Tty("ttyS3");
    noDriver.driverBound = false;
    DeviceRecord uart = Tty("ttyS0");
    uart.portType = 4;
    // USB-serial ports have no UART type; they exist only while their
    // device is there.
    DeviceRecord usb = Tty("ttyUSB0");
    usb.portType = 0;
    const std::vector<DeviceRecord> ttys = {noUart,          noDriver,       uart,        usb,
                                            Tty("tty0"),     Tty("ttySAC0"), Tty("ttyS"), Tty("console"),
                                            Tty("ttyUSBx1"), Tty("ptmx")};
    EXPECT_EQ(SerialPortList(ttys), (Strings{"/dev/ttyS0", "/dev/ttyUSB0"}));
}

TEST(SerialPortList, ThroughTheNameList)
{
    FakeSource source;
    source.ttys = {Tty("ttyUSB1"), UsbTty("ttyACM0", kMakerVendorId, kVirtualComProductId, "", "CDC")};
    char buffer[64];
    const int n = ListComPorts(source, buffer, sizeof buffer);
    EXPECT_EQ(Names(buffer, n), (Strings{"/dev/ttyUSB1", "/dev/ttyACM0 [Brakk Virtual COM]"}));

    // Room for the first entry only.
    const int first = static_cast<int>(std::strlen("/dev/ttyUSB1")) + 2;
    EXPECT_EQ(ListComPorts(source, buffer, first), first);
    EXPECT_EQ(ListComPorts(source, buffer, first + 10), first);

    source.fail = true;
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ListComPorts(source, buffer, sizeof buffer), 1);
    EXPECT_EQ(buffer[0], '\0');
}

// --- USB readers ----------------------------------------------------------

TEST(UsbReaderList, ArticleNumbers)
{
    EXPECT_EQ(ArticleNumber("1520-0042"), 1520);
    EXPECT_EQ(ArticleNumber("15"), 15); // shorter names are read whole
    EXPECT_EQ(ArticleNumber("152A"), 152);
    EXPECT_EQ(ArticleNumber("A152"), std::nullopt);
    EXPECT_EQ(ArticleNumber(""), std::nullopt);
    EXPECT_EQ(ArticleNumber("141099"), 1410); // only four characters count

    // Range ends are inclusive; single numbers are ranges of one.
    EXPECT_FALSE(HasKnownArticleNumber("1409-1"));
    EXPECT_TRUE(HasKnownArticleNumber("1410-1"));
    EXPECT_TRUE(HasKnownArticleNumber("1419-1"));
    EXPECT_FALSE(HasKnownArticleNumber("1420-1"));
    EXPECT_TRUE(HasKnownArticleNumber("1425"));
    EXPECT_FALSE(HasKnownArticleNumber("1424"));
    EXPECT_FALSE(HasKnownArticleNumber("0000"));
    EXPECT_FALSE(HasKnownArticleNumber("FT4Z8QX1")); // a plain FTDI chip's serial
}

TEST(UsbReaderList, FtdiReadersBySerialNumber)
{
    const std::vector<DeviceRecord> usb = {
        Usb(kFtdiVendorId, kFtdiReaderProductId, "1530-000117"),
        Usb(kFtdiVendorId, kFtdiReaderProductId, "1531-000002"),
        Usb(kFtdiVendorId, 0x6001, "1530-000999"),                // some other FTDI product
        Usb(kFtdiVendorId, kFtdiReaderProductId, "A6008isP"),     // no article number
        Usb(kFtdiVendorId, kFtdiReaderProductId, ""),             // no serial number
        Usb(kMakerVendorId, kVirtualComProductId, "1530-000003"), // virtual COM: a serial port
    };
    EXPECT_EQ(UsbReaderList(usb, {}, {}), (Strings{"1530-000117", "1531-000002"}));
    // A reader this program has open is not offered again.
    EXPECT_EQ(UsbReaderList(usb, {}, {"1530-000117"}), (Strings{"1531-000002"}));
}

TEST(UsbReaderList, HidReadersByHidName)
{
    const std::vector<DeviceRecord> hid = {
        Hid(kMakerVendorId, kHidProductIds[0], "1410-000501"),
        Hid(kMakerVendorId, kHidProductIds[0], "1410-000501"), // second interface of the same reader
        Hid(kSecondHidVendorId, kSecondHidProductId, "2300-000007"),
        Hid(kSecondHidVendorId, kHidProductIds[1], "2300-000008"), // partner's ID pair is one pair
        Hid(0x046D, 0xC52B, "1410-000777"),                        // a mouse receiver
        Hid(kMakerVendorId, kHidProductIds[3], "9999-000001"),     // unknown article
    };
    const std::vector<DeviceRecord> ftdi = {Usb(kFtdiVendorId, kFtdiReaderProductId, "3120-1")};
    // FTDI readers come first.
    EXPECT_EQ(UsbReaderList(ftdi, hid, {}), (Strings{"3120-1", "1410-000501 HID", "2300-000007 HID"}));
}

TEST(UsbReaderList, HidReaderWithoutSerialNumber)
{
    const std::vector<DeviceRecord> hid = {Hid(kMakerVendorId, kHidProductIds[2], "", false),
                                           Hid(kMakerVendorId, kHidProductIds[1], "", false)};
    EXPECT_EQ(HidReaderName(hid[0]), std::string(kHidSerialPlaceholder) + " HID");
    // Listed once, since its placeholder begins with a known article number.
    EXPECT_EQ(UsbReaderList({}, hid, {}), (Strings{std::string(kHidSerialPlaceholder) + " HID"}));
    // With a table that does not know that number it is not listed.
    const ArticleRange others[] = {{1410, 1419}, {2300, 2300}};
    EXPECT_TRUE(UsbReaderList({}, hid, {}, others, 2).empty());
}

TEST(UsbReaderList, HidSerialText)
{
    EXPECT_EQ(HidSerialText(nullptr), std::nullopt);
    EXPECT_EQ(HidSerialText(L""), std::nullopt);
    EXPECT_EQ(HidSerialText(L"1410-000501"), "1410-000501");
    // At most 25 wide characters.
    EXPECT_EQ(HidSerialText(L"1410-0123456789012345678901234"), "1410-01234567890123456789");
    EXPECT_EQ(HidSerialText(L"1410-\u00e4\u20ac"), "1410-\xc3\xa4\xe2\x82\xac");
    const wchar_t broken[] = {L'1', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000), 0};
    EXPECT_EQ(HidSerialText(broken), "1??");
}

TEST(UsbReaderList, HeldOpenMarksAreCounted)
{
    const std::string serial = "1530-424242";
    const std::vector<DeviceRecord> usb = {Usb(kFtdiVendorId, kFtdiReaderProductId, serial)};
    UnmarkFtdiHeldOpen(serial); // never marked: no effect
    MarkFtdiHeldOpen(serial);
    MarkFtdiHeldOpen(serial);
    EXPECT_TRUE(UsbReaderList(usb, {}, FtdiSerialsHeldOpen()).empty());
    UnmarkFtdiHeldOpen(serial);
    EXPECT_TRUE(UsbReaderList(usb, {}, FtdiSerialsHeldOpen()).empty());
    UnmarkFtdiHeldOpen(serial);
    EXPECT_EQ(UsbReaderList(usb, {}, FtdiSerialsHeldOpen()), (Strings{serial}));

    FakeSource source;
    source.usb = usb;
    MarkFtdiHeldOpen(serial);
    char buffer[32];
    EXPECT_EQ(ListUsbPorts(source, buffer, sizeof buffer), 1);
    UnmarkFtdiHeldOpen(serial);
    EXPECT_EQ(Names(buffer, ListUsbPorts(source, buffer, sizeof buffer)), (Strings{serial}));
}

// --- Drivers --------------------------------------------------------------

TEST(MissingDrivers, UnboundReadersSetTheirBit)
{
    const DeviceRecord vcom = Usb(kMakerVendorId, kVirtualComProductId, "", false);
    const DeviceRecord ftdi = Usb(kFtdiVendorId, kFtdiReaderProductId, "1530-1", false);
    EXPECT_EQ(MissingDriverFlags({vcom}), kMissingVirtualComDriver);
    EXPECT_EQ(MissingDriverFlags({ftdi}), kMissingFtdiDriver);
    EXPECT_EQ(MissingDriverFlags({ftdi, vcom}), kMissingFtdiDriver | kMissingVirtualComDriver);
    EXPECT_EQ(MissingDriverFlags(
                  {Usb(kMakerVendorId, kVirtualComProductId, ""), Usb(kFtdiVendorId, kFtdiReaderProductId, "1530-1")}),
              0);
    // Unbound devices of anyone else, and HID-mode readers (usbhid), do not count.
    EXPECT_EQ(MissingDriverFlags({Usb(kFtdiVendorId, 0x6001, "", false), Usb(0x1234, 0x5678, "", false),
                                  Usb(kMakerVendorId, kHidProductIds[0], "", false)}),
              0);

    FakeSource source;
    source.usb = {vcom};
    EXPECT_EQ(GetMissingDrivers(source), kMissingVirtualComDriver);
    source.fail = true;
    EXPECT_EQ(GetMissingDrivers(source), 0);
}

TEST(UdevText, EscapesDecoded)
{
    EXPECT_EQ(DecodeUdevEscapes("Brakk\\x20KV-USB\\x2fReader"), "Brakk KV-USB/Reader");
    EXPECT_EQ(DecodeUdevEscapes("a\\x2"), "a\\x2"); // cut short at the end
    EXPECT_EQ(DecodeUdevEscapes("a\\xZZb"), "a\\xZZb");
    EXPECT_EQ(DecodeUdevEscapes("a\\x00b"), "a\\x00b"); // no NUL inside a name
    EXPECT_EQ(DecodeUdevEscapes("a\\y20"), "a\\y20");
}

// --- This machine ---------------------------------------------------------

TEST(DeviceListsHere, WellFormed)
{
    std::vector<char> buffer(8192, 'x');
    const int com = Kavex_ListComPorts(buffer.data(), static_cast<int>(buffer.size()));
    ASSERT_GE(com, 1);
    for (const std::string& name : Names(buffer.data(), com)) EXPECT_EQ(name.compare(0, 5, "/dev/"), 0) << name;

    const int usb = Kavex_ListUsbPorts(buffer.data(), static_cast<int>(buffer.size()));
    ASSERT_GE(usb, 1);
    for (const std::string& name : Names(buffer.data(), usb)) EXPECT_TRUE(HasKnownArticleNumber(name)) << name;

    EXPECT_EQ(Kavex_ListComPorts(buffer.data(), 0), 0);
    EXPECT_EQ(Kavex_ListUsbPorts(nullptr, 100), 0);
    EXPECT_EQ(Kavex_ListUsbPorts(buffer.data(), 1), 1);
    EXPECT_EQ(buffer[0], '\0');

    const int flags = Kavex_GetMissingDrivers();
    EXPECT_EQ(flags & ~(kMissingFtdiDriver | kMissingVirtualComDriver), 0);
    EXPECT_EQ(Kavex_IsVirtualComDriverInstalled(), 1);
}
