// Device arrivals and removals from udev, as the device-change events the
// interface dialog reacts to.
#pragma once

#include <QObject>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace velmora {

class CDeviceMonitor : public QObject {
    Q_OBJECT
public:
    explicit CDeviceMonitor(QObject* parent = nullptr);
    ~CDeviceMonitor() override;

    // False when udev could not be reached (containers, no netlink): the
    // lists then refresh only when the dialog is opened or asked to.
    bool IsActive() const { return m_pNotifier != nullptr; }

    // The monitor of the running program, or null.
    static CDeviceMonitor* Instance();

signals:
    // kDeviceArrived for an added device, kDevNodesChanged for anything else.
    void deviceChange(int eventCode);

private:
    void OnReadable();

    udev* m_pUdev = nullptr;
    udev_monitor* m_pMonitor = nullptr;
    QSocketNotifier* m_pNotifier = nullptr;
};

} // namespace velmora
