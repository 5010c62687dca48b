// The device database on Linux: libudev for ttys and USB devices, hidapi for
// HID readers. Only reads: nothing here opens a tty, so listing never
// toggles a modem line of a device that resets on DTR.
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <optional>
#include <set>

#include <hidapi.h>
#include <libudev.h>

#include "sdk/transports/device_list.h"
#include "sdk/transports/sysfs_tty.h"

namespace kavex {

namespace {

struct UdevUnref {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
using Udev = std::unique_ptr<udev, UdevUnref>;
using UdevEnumerate = std::unique_ptr<udev_enumerate, UdevUnref>;
using UdevDevice = std::unique_ptr<udev_device, UdevUnref>;

std::string Text(const char* s)
{
    return s ? std::string(s) : std::string();
}

std::string Property(udev_device* dev, const char* key)
{
    return Text(udev_device_get_property_value(dev, key));
}

std::string Attribute(udev_device* dev, const char* name)
{
    return dev ? Text(udev_device_get_sysattr_value(dev, name)) : std::string();
}

std::string FirstOf(std::initializer_list<std::string> candidates)
{
    for (const std::string& c : candidates)
        if (!c.empty()) return c;
    return {};
}

// Udev's properties come from its rules database; where udevd does not run
// (containers, early boot) only sysfs is there, so the USB device's own
// attributes stand in for them.
void FillUsbIdentity(udev_device* dev, udev_device* usb, DeviceRecord& record)
{
    record.vendorId = UsbIdFromHex(FirstOf({Property(dev, "ID_VENDOR_ID"), Attribute(usb, "idVendor")}));
    record.productId = UsbIdFromHex(FirstOf({Property(dev, "ID_MODEL_ID"), Attribute(usb, "idProduct")}));
    record.model = FirstOf({Property(dev, "ID_MODEL_FROM_DATABASE"), DecodeUdevEscapes(Property(dev, "ID_MODEL_ENC")),
                            Property(dev, "ID_MODEL"), Attribute(usb, "product")});
    record.vendor =
        FirstOf({Property(dev, "ID_VENDOR_FROM_DATABASE"), DecodeUdevEscapes(Property(dev, "ID_VENDOR_ENC")),
                 Property(dev, "ID_VENDOR"), Attribute(usb, "manufacturer")});
    record.serial = FirstOf({Property(dev, "ID_SERIAL_SHORT"), Attribute(usb, "serial")});
    record.serialReadable = !record.serial.empty();
}

UdevEnumerate ScanSubsystem(udev* u, const char* subsystem)
{
    UdevEnumerate e(udev_enumerate_new(u));
    if (!e || udev_enumerate_add_match_subsystem(e.get(), subsystem) < 0 || udev_enumerate_scan_devices(e.get()) < 0)
        return nullptr;
    return e;
}

std::string LastPathPart(const char* path)
{
    const std::string p = Text(path);
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

class SystemDeviceSource final : public DeviceSource {
public:
    std::vector<DeviceRecord> SerialPorts() override
    {
        // Without the database, sysfs still knows the ports.
        Udev u(udev_new());
        if (!u) return SysfsSerialPorts(kSysfsRoot);
        UdevEnumerate e = ScanSubsystem(u.get(), "tty");
        if (!e) return SysfsSerialPorts(kSysfsRoot);
        std::vector<DeviceRecord> records;
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get()))
        {
            const char* syspath = udev_list_entry_get_name(entry);
            // Hundreds of virtual consoles and ptys: skip them before asking
            // the database about each.
            if (!IsListedSerialKind(LastPathPart(syspath))) continue;
            UdevDevice dev(udev_device_new_from_syspath(u.get(), syspath));
            if (!dev) continue;
            DeviceRecord r;
            r.subsystem = "tty";
            r.sysname = Text(udev_device_get_sysname(dev.get()));
            r.devnode = Text(udev_device_get_devnode(dev.get()));
            udev_device* parent = udev_device_get_parent(dev.get());
            r.driverBound = parent && udev_device_get_driver(parent);
            const std::string type = Attribute(dev.get(), "type");
            if (!type.empty()) r.portType = std::atoi(type.c_str());
            udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev.get(), "usb", "usb_device");
            if (usb) {
                FillUsbIdentity(dev.get(), usb, r);
            } else {
                r.model = Property(dev.get(), "ID_MODEL_FROM_DATABASE");
                r.vendor = Property(dev.get(), "ID_VENDOR_FROM_DATABASE");
            }
            records.push_back(std::move(r));
        }
        return records;
    }

    std::vector<DeviceRecord> UsbDevices() override
    {
        std::vector<DeviceRecord> records;
        Udev u(udev_new());
        if (!u) return records;
        UdevEnumerate e = ScanSubsystem(u.get(), "usb");
        if (!e) return records;
        // The usb_device itself is always bound to the generic "usb" driver;
        // whether a real driver took the reader shows on its interfaces.
        std::vector<std::string> syspaths;
        std::set<std::string> withBoundInterface;
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get()))
        {
            UdevDevice dev(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)));
            if (!dev) continue;
            const std::string devtype = Text(udev_device_get_devtype(dev.get()));
            if (devtype == "usb_interface") {
                if (!udev_device_get_driver(dev.get())) continue;
                udev_device* owner = udev_device_get_parent_with_subsystem_devtype(dev.get(), "usb", "usb_device");
                if (owner) withBoundInterface.insert(Text(udev_device_get_syspath(owner)));
            } else if (devtype == "usb_device") {
                DeviceRecord r;
                r.subsystem = "usb";
                r.sysname = Text(udev_device_get_sysname(dev.get()));
                r.devnode = Text(udev_device_get_devnode(dev.get()));
                FillUsbIdentity(dev.get(), dev.get(), r);
                records.push_back(std::move(r));
                syspaths.push_back(Text(udev_device_get_syspath(dev.get())));
            }
        }
        for (size_t i = 0; i < records.size(); ++i) records[i].driverBound = withBoundInterface.count(syspaths[i]) > 0;
        return records;
    }

    std::vector<DeviceRecord> HidDevices() override
    {
        std::vector<DeviceRecord> records;
        std::unique_ptr<hid_device_info, void (*)(hid_device_info*)> list(hid_enumerate(0, 0), hid_free_enumeration);
        for (hid_device_info* info = list.get(); info; info = info->next) {
            DeviceRecord r;
            r.subsystem = "hidraw";
            r.devnode = Text(info->path);
            r.sysname = LastPathPart(info->path);
            r.vendorId = info->vendor_id;
            r.productId = info->product_id;
            if (std::optional<std::string> serial = HidSerialText(info->serial_number)) {
                r.serial = std::move(*serial);
                r.serialReadable = true;
            }
            records.push_back(std::move(r));
        }
        return records;
    }

    std::unique_ptr<HidDeviceIo> OpenHidDevice(const DeviceRecord& hid) override
    {
        return OpenSystemHidDevice(hid.devnode);
    }
};

} // namespace

std::unique_ptr<DeviceSource> MakeSystemDeviceSource()
{
    return std::make_unique<SystemDeviceSource>();
}

} // namespace kavex
