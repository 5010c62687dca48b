// Serial ports and their USB parents read from a sysfs tree built on disk,
// laid out as the kernel lays out /sys.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sdk/transports/sysfs_tty.h"

namespace fs = std::filesystem;
using namespace kavex;

namespace {

class SysfsTree {
public:
    SysfsTree()
    {
        std::string pattern = fs::temp_directory_path() / "kavex-sysfs-XXXXXX";
        root = mkdtemp(pattern.data());
    }
    ~SysfsTree() { fs::remove_all(root); }

    fs::path Dir(const std::string& relative)
    {
        fs::create_directories(root / relative);
        return root / relative;
    }
    void File(const std::string& relative, const std::string& text) { std::ofstream(root / relative) << text << "\n"; }
    void Link(const std::string& relative, const std::string& target)
    {
        fs::create_directories((root / relative).parent_path());
        fs::create_directory_symlink(Dir(target), root / relative);
    }
    // A device directory of a bus, with its subsystem link.
    fs::path Device(const std::string& relative, const std::string& subsystem)
    {
        Link(relative + "/subsystem", subsystem);
        return root / relative;
    }
    // A tty class device below a device, listed in class/tty and dev/char.
    void Tty(const std::string& device, const std::string& name, const std::string& devt)
    {
        const std::string self = device + "/tty/" + name;
        Device(self, "class/tty");
        Link(self + "/device", device);
        Link("class/tty/" + name, self);
        Link("dev/char/" + devt, self);
    }

    fs::path root;
};

} // namespace

TEST(SysfsTty, PortsWithHardwareBehindThem)
{
    SysfsTree sys;
    // A UART the serial core found, and a placeholder without one.
    sys.Device("devices/pnp0/00:00", "bus/pnp");
    sys.Link("devices/pnp0/00:00/driver", "bus/pnp/drivers/serial");
    sys.Tty("devices/pnp0/00:00", "ttyS0", "4:64");
    sys.File("class/tty/ttyS0/type", "4");
    sys.Device("devices/platform/serial8250", "bus/platform");
    sys.Link("devices/platform/serial8250/driver", "bus/platform/drivers/serial8250");
    sys.Tty("devices/platform/serial8250", "ttyS1", "4:65");
    sys.File("class/tty/ttyS1/type", "0");
    // An FTDI reader: USB device, its interface, the usb-serial port.
    const std::string usb = "devices/pci0000:00/0000:00:14.0/usb1/1-1";
    sys.Device(usb, "bus/usb");
    sys.File(usb + "/idVendor", "0403");
    sys.File(usb + "/idProduct", "b5e8");
    sys.File(usb + "/manufacturer", "Brakk");
    sys.File(usb + "/product", "KV-USB Reader");
    sys.File(usb + "/serial", "1530-000117");
    sys.Device(usb + "/1-1:1.0", "bus/usb");
    sys.Device(usb + "/1-1:1.0/ttyUSB0", "bus/usb-serial");
    sys.Link(usb + "/1-1:1.0/ttyUSB0/driver", "bus/usb-serial/drivers/ftdi_sio");
    sys.Tty(usb + "/1-1:1.0/ttyUSB0", "ttyUSB0", "188:0");
    // A virtual console: no device behind it.
    sys.Device("devices/virtual/tty/tty0", "class/tty");
    sys.Link("class/tty/tty0", "devices/virtual/tty/tty0");

    const std::vector<DeviceRecord> ttys = SysfsSerialPorts(sys.root.string());
    ASSERT_EQ(ttys.size(), 3u);
    EXPECT_EQ(SerialPortList(ttys), (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyUSB0 [Brakk KV-USB Reader]"}));
    for (const DeviceRecord& tty : ttys) {
        if (tty.sysname != "ttyUSB0") continue;
        EXPECT_EQ(tty.vendorId, 0x0403);
        EXPECT_EQ(tty.productId, 0xB5E8);
        EXPECT_EQ(tty.serial, "1530-000117");
    }

    EXPECT_TRUE(IsUsbCharDevice(sys.root.string(), 188, 0));
    EXPECT_FALSE(IsUsbCharDevice(sys.root.string(), 4, 64));
    EXPECT_FALSE(IsUsbCharDevice(sys.root.string(), 136, 3)); // a pty: not in sysfs
    EXPECT_TRUE(SysfsSerialPorts((sys.root / "missing").string()).empty());
}
