#include "sdk/transports/sysfs_tty.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace kavex {

namespace fs = std::filesystem;

namespace {

std::string ReadAttribute(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

bool Exists(const fs::path& p)
{
    std::error_code ec;
    return fs::exists(p, ec);
}

std::string SubsystemOf(const fs::path& device)
{
    std::error_code ec;
    const fs::path target = fs::read_symlink(device / "subsystem", ec);
    return ec ? std::string() : target.filename().string();
}

// The USB device (not one of its interfaces) at or above a device
// directory, or an empty path. The walk stays inside the sysfs tree.
fs::path UsbDeviceAbove(const fs::path& root, const fs::path& device)
{
    std::error_code ec;
    const fs::path top = fs::canonical(root, ec);
    if (ec) return {};
    fs::path dir = fs::canonical(device, ec);
    if (ec) return {};
    while (dir != top && dir.has_relative_path()) {
        if (SubsystemOf(dir) == "usb" && Exists(dir / "idVendor")) return dir;
        const fs::path parent = dir.parent_path();
        if (parent == dir) break;
        dir = parent;
    }
    return {};
}

} // namespace

std::vector<DeviceRecord> SysfsSerialPorts(const std::string& root)
{
    std::vector<DeviceRecord> records;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(root) / "class" / "tty", ec)) {
        const std::string name = entry.path().filename().string();
        if (!IsListedSerialKind(name)) continue;
        // Virtual ttys have no device behind them.
        const fs::path device = entry.path() / "device";
        if (!Exists(device)) continue;
        DeviceRecord r;
        r.subsystem = "tty";
        r.sysname = name;
        r.devnode = "/dev/" + name;
        r.driverBound = Exists(device / "driver");
        const std::string type = ReadAttribute(entry.path() / "type");
        if (!type.empty()) r.portType = std::atoi(type.c_str());
        const fs::path usb = UsbDeviceAbove(root, device);
        if (!usb.empty()) {
            r.vendorId = UsbIdFromHex(ReadAttribute(usb / "idVendor"));
            r.productId = UsbIdFromHex(ReadAttribute(usb / "idProduct"));
            r.model = ReadAttribute(usb / "product");
            r.vendor = ReadAttribute(usb / "manufacturer");
            r.serial = ReadAttribute(usb / "serial");
            r.serialReadable = !r.serial.empty();
        }
        records.push_back(std::move(r));
    }
    return records;
}

bool IsUsbCharDevice(const std::string& root, unsigned major, unsigned minor)
{
    const fs::path node = fs::path(root) / "dev" / "char" / (std::to_string(major) + ":" + std::to_string(minor));
    return Exists(node) && !UsbDeviceAbove(root, node).empty();
}

} // namespace kavex
