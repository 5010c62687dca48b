// Serial ports as sysfs itself shows them. The device database (libudev)
// is the first choice for the port list; where it cannot be read, sysfs
// still tells which ttys have hardware behind them and which sit on a USB
// device. The sysfs root is a parameter so that a test can hand over a tree
// of its own.
#pragma once

#include <string>
#include <vector>

#include "sdk/transports/device_list.h"

namespace kavex {

constexpr char kSysfsRoot[] = "/sys";

// The ttys under <root>/class/tty of the kinds a reader can sit behind
// (IsListedSerialKind) that have a device behind them (a "device" link),
// with the driver, UART type and USB identity filled in as the device
// database would.
std::vector<DeviceRecord> SysfsSerialPorts(const std::string& root);

// Whether the character device major:minor has a USB device among the
// devices above it (<root>/dev/char/major:minor leads to it).
bool IsUsbCharDevice(const std::string& root, unsigned major, unsigned minor);

} // namespace kavex
