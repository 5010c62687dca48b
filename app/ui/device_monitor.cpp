#include "app/ui/device_monitor.h"

#include "app/model/port_settings.h"

#include <libudev.h>

#include <QSocketNotifier>

#include <cstring>

namespace velmora {

namespace {

CDeviceMonitor* g_instance = nullptr;

} // namespace

CDeviceMonitor::CDeviceMonitor(QObject* parent) : QObject(parent)
{
    if (!g_instance) g_instance = this;
    m_pUdev = udev_new();
    if (!m_pUdev) return;
    m_pMonitor = udev_monitor_new_from_netlink(m_pUdev, "udev");
    if (!m_pMonitor) return;
    // Serial ports, USB devices and the HID readers.
    udev_monitor_filter_add_match_subsystem_devtype(m_pMonitor, "tty", nullptr);
    udev_monitor_filter_add_match_subsystem_devtype(m_pMonitor, "usb", "usb_device");
    udev_monitor_filter_add_match_subsystem_devtype(m_pMonitor, "hidraw", nullptr);
    if (udev_monitor_enable_receiving(m_pMonitor) < 0) return;
    const int fd = udev_monitor_get_fd(m_pMonitor);
    if (fd < 0) return;
    m_pNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CDeviceMonitor::OnReadable);
}

CDeviceMonitor::~CDeviceMonitor()
{
    if (g_instance == this) g_instance = nullptr;
    delete m_pNotifier;
    if (m_pMonitor) udev_monitor_unref(m_pMonitor);
    if (m_pUdev) udev_unref(m_pUdev);
}

CDeviceMonitor* CDeviceMonitor::Instance()
{
    return g_instance;
}

void CDeviceMonitor::OnReadable()
{
    udev_device* device = udev_monitor_receive_device(m_pMonitor);
    if (!device) return;
    const char* action = udev_device_get_action(device);
    const bool added = action && std::strcmp(action, "add") == 0;
    udev_device_unref(device);
    emit deviceChange(added ? kDeviceArrived : kDevNodesChanged);
}

} // namespace velmora
