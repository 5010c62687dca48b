// Where the interface dialog gets its device lists from. The SDK in the
// program; a fixed list in tests, so they do not depend on the machine.
#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

class CDeviceListSource {
public:
    virtual ~CDeviceListSource() = default;
    virtual QStringList ComPorts() = 0;
    virtual QStringList UsbPorts() = 0;
    virtual QStringList LanDevices() = 0; // search mode 1
    virtual QStringList BluetoothPorts() = 0;
    virtual int MissingDrivers() = 0;
    virtual bool VirtualComDriverInstalled() = 0;
    virtual bool TestLanConnection(const QString& device) = 0;
};

// The lists of the SDK. Extra serial entries (the built-in simulator) come
// first in the serial list.
class CSdkDeviceListSource : public CDeviceListSource {
public:
    explicit CSdkDeviceListSource(QStringList extraSerialEntries = {});
    QStringList ComPorts() override;
    QStringList UsbPorts() override;
    // LAN readers found by the SDK's search (readers only).
    QStringList LanDevices() override;
    // The maker's USB Bluetooth adapters.
    QStringList BluetoothPorts() override;
    int MissingDrivers() override;
    bool VirtualComDriverInstalled() override;
    bool TestLanConnection(const QString& device) override;

private:
    QStringList m_Extra;
};

// A name list of the SDK: NUL-terminated names, an empty name ends it.
QStringList ParseNameList(const char* buffer, int size);

} // namespace velmora
