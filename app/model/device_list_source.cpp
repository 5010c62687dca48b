#include "app/model/device_list_source.h"

#include "kavex.h"

#include <cstring>
#include <vector>

namespace velmora {

namespace {

constexpr int kListBufferSize = 2500;

} // namespace

QStringList ParseNameList(const char* buffer, int size)
{
    QStringList names;
    int i = 0;
    while (i < size && buffer[i] != '\0') {
        const void* end = std::memchr(buffer + i, '\0', static_cast<size_t>(size - i));
        const int len = end ? static_cast<int>(static_cast<const char*>(end) - (buffer + i)) : size - i;
        names << QString::fromUtf8(buffer + i, len);
        i += len + 1;
    }
    return names;
}

CSdkDeviceListSource::CSdkDeviceListSource(QStringList extraSerialEntries) : m_Extra(std::move(extraSerialEntries)) {}

QStringList CSdkDeviceListSource::ComPorts()
{
    std::vector<char> buffer(kListBufferSize, '\0');
    const int n = Kavex_ListComPorts(buffer.data(), kListBufferSize);
    return m_Extra + ParseNameList(buffer.data(), n > 0 ? n : 0);
}

QStringList CSdkDeviceListSource::UsbPorts()
{
    std::vector<char> buffer(kListBufferSize, '\0');
    const int n = Kavex_ListUsbPorts(buffer.data(), kListBufferSize);
    return ParseNameList(buffer.data(), n > 0 ? n : 0);
}

QStringList CSdkDeviceListSource::BluetoothPorts()
{
    std::vector<char> buffer(kListBufferSize, '\0');
    const int n = Kavex_ListBluetoothPorts(buffer.data(), kListBufferSize);
    return ParseNameList(buffer.data(), n > 0 ? n : 0);
}

QStringList CSdkDeviceListSource::LanDevices()
{
    std::vector<char> buffer(kListBufferSize, '\0');
    const int n = Kavex_SearchLanDevices(buffer.data(), kListBufferSize);
    return ParseNameList(buffer.data(), n > 0 ? n : 0);
}

bool CSdkDeviceListSource::TestLanConnection(const QString& device)
{
    return Kavex_TestLanConnection(device.toUtf8().constData()) == 1;
}

int CSdkDeviceListSource::MissingDrivers()
{
    return Kavex_GetMissingDrivers();
}

bool CSdkDeviceListSource::VirtualComDriverInstalled()
{
    return Kavex_IsVirtualComDriverInstalled() != 0;
}

} // namespace velmora
