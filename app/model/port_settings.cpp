#include "app/model/port_settings.h"

#include "app/model/device_list_source.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace velmora {

const QString kUsbPrefix = QStringLiteral("USB: ");
const QString kLanPrefix = QStringLiteral("LAN: ");
const QString kBluetoothPrefix = QStringLiteral("Bluetooth: ");
const QString kSimulatorSuffix = QStringLiteral(" [Kavex Simulator]");

namespace {

// Article numbers of the maker's readers that can run as HID devices.
const char* const kHidArticlePrefixes[15] = {"1262-", "1263-", "1264-", "1265-", "1266-", "1272-", "1273-", "1274-",
                                             "1275-", "1276-", "1282-", "1283-", "1284-", "1285-", "1286-"};

bool ContainsAfter(const QString& s, const QString& what, int from)
{
    return s.indexOf(what, from) >= 0;
}

} // namespace

bool IsSerialEntry(const QString& entry)
{
    return !entry.startsWith(kUsbPrefix) && !entry.startsWith(kLanPrefix) && !entry.startsWith(kBluetoothPrefix);
}

QString SerialDevice(const QString& entry)
{
    const int bracket = entry.indexOf(QLatin1String(" ["), 1);
    return bracket > 0 ? entry.left(bracket) : entry;
}

QString DevicePathProblem(const QString& path)
{
    // exists() follows links, so a link whose device is unplugged counts as
    // missing too.
    if (!QFileInfo::exists(path)) return LoadStr(kIdsDevicePathMissing).arg(path);
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return LoadStr(kIdsDevicePathNoDevice).arg(path);
    return QString();
}

QString GetPortName(const QString& entry, int address)
{
    QString name = entry;
    if (name.startsWith(kUsbPrefix))
        name = name.mid(5);
    else if (name.startsWith(kLanPrefix))
        name = name.mid(5);
    else if (name.startsWith(kBluetoothPrefix))
        name = name.mid(11);
    else
        // The SDK opens device paths as they stand; the description is ours.
        name = SerialDevice(name);
    return name + QLatin1Char(':') + QString::number(address);
}

bool IsMakerHidReader(const QString& entry)
{
    if (!ContainsAfter(entry, QStringLiteral(" HID"), 1)) return false;
    for (const char* prefix : kHidArticlePrefixes)
        if (ContainsAfter(entry, QLatin1String(prefix), 1)) return true;
    return false;
}

bool IsVirtualComEntry(const QString& entry)
{
    const bool serialName = entry.startsWith(QLatin1String("COM")) || entry.startsWith(QLatin1Char('/'));
    return serialName && entry.size() > 3 && ContainsAfter(entry, QStringLiteral(" [Brakk Virtual COM"), 4);
}

ModeButtons ModeButtonsFor(const QString& entry)
{
    if (entry.startsWith(kUsbPrefix) && IsMakerHidReader(entry)) return ModeButtons::HidSelected;
    if (IsVirtualComEntry(entry)) return ModeButtons::VirtualComSelected;
    return ModeButtons::Disabled;
}

LineSettings LineSettingsFromBaudCode(int baudCode)
{
    const int c = baudCode % 100;
    LineSettings s{QString::number(baudCode - c), kParityNone, kStopBits1};
    if (c == 1)
        s.parity = kParityEven;
    else if (c == 2)
        s.parity = kParityOdd;
    else if (c == 3)
        s.stopBits = kStopBits2;
    return s;
}

int BaudCodeFromLineSettings(const QString& baud, int parity, int stopBits)
{
    bool ok = false;
    int code = baud.toInt(&ok);
    if (!ok) return 19200;
    if (parity == kParityEven)
        code += 1;
    else if (parity == kParityOdd)
        code += 2;
    else if (stopBits == kStopBits2)
        code += 3;
    return code;
}

bool MergeDeviceList(QStringList& list, const QStringList& fresh)
{
    int i = 0;
    while (i < list.size() && i < fresh.size() && list.at(i) == fresh.at(i)) ++i;
    if (i == list.size() && i == fresh.size()) return false;
    while (list.size() > i) list.removeLast();
    for (int j = i; j < fresh.size(); ++j) list << fresh.at(j);
    return true;
}

QString RepairStoredPortName(const QString& name, bool ethernet, CDeviceListSource& source)
{
    auto repair = [&](const QString& prefix, const QStringList& present) {
        const QString rest = name.mid(prefix.size());
        if (present.isEmpty()) return QString();
        return present.contains(rest) ? name : prefix + present.first();
    };
    if (name.startsWith(kUsbPrefix)) return repair(kUsbPrefix, source.UsbPorts());
    if (name.startsWith(kLanPrefix) && ethernet) {
        if (source.TestLanConnection(name.mid(kLanPrefix.size()))) return name;
        return repair(kLanPrefix, source.LanDevices());
    }
    if (name.startsWith(kBluetoothPrefix)) return repair(kBluetoothPrefix, source.BluetoothPorts());
    return name;
}

RefreshStep NextRefreshStep(int eventCode, int counter)
{
    if (eventCode == kDeviceArrived || eventCode == kDevNodesChanged) return {true, 1};
    if (counter >= 1 && counter <= 4) return {true, counter + 1};
    return {false, 0};
}

} // namespace velmora
