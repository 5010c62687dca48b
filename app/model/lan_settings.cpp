#include "app/model/lan_settings.h"

#include "kavex.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QElapsedTimer>

#include <vector>

namespace velmora {

namespace {

constexpr int kSearchBufferSize = 2500;
constexpr int kDefaultPort = 10001;
constexpr int kLongestName = 16;

QStringList Search(int (*search)(char*, int))
{
    std::vector<char> buffer(kSearchBufferSize, '\0');
    const int n = search(buffer.data(), kSearchBufferSize);
    QStringList names;
    for (int i = 0; i < n && buffer[static_cast<size_t>(i)] != '\0';) {
        const QString name = QString::fromLatin1(&buffer[static_cast<size_t>(i)]);
        i += static_cast<int>(name.size()) + 1;
        names << name;
    }
    return names;
}

// Four decimal numbers 0..255 with dots between them.
std::optional<quint32> Dotted(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4) return std::nullopt;
    quint32 value = 0;
    for (const QString& part : parts) {
        bool ok = false;
        const uint n = part.toUInt(&ok);
        if (!ok || part.isEmpty() || part.size() > 3 || n > 255) return std::nullopt;
        value = (value << 8) | n;
    }
    return value;
}

bool Contiguous(quint32 mask)
{
    // The ones all above the zeros: inverting gives a run of low ones.
    const quint32 hostPart = ~mask;
    return (hostPart & (hostPart + 1)) == 0;
}

// An address no reader can have: the whole network's and its own
// network's broadcast, multicast, loopback.
bool Unusable(quint32 address, std::optional<quint32> mask)
{
    if (address == 0xFFFFFFFFu) return true;
    if ((address >> 28) == 0xE) return true; // 224.0.0.0/4
    if ((address >> 24) == 127) return true; // 127.0.0.0/8
    if (mask && *mask != 0xFFFFFFFFu && *mask != 0xFFFFFFFEu && (address | *mask) == 0xFFFFFFFFu) return true;
    return false;
}

bool NameCharacters(const QString& name)
{
    for (const QChar c : name) {
        const ushort u = c.unicode();
        if (u < 0x20 || u > 0x7E || c == QLatin1Char('[') || c == QLatin1Char(']')) return false;
    }
    return true;
}

std::optional<int> Port(const QString& text)
{
    bool ok = false;
    const qlonglong port = text.trimmed().toLongLong(&ok);
    if (!ok || port < 1 || port > 65535) return std::nullopt;
    return static_cast<int>(port);
}

} // namespace

QList<LanListEntry> MergeLanSearch(const QStringList& readers, const QStringList& all)
{
    QList<LanListEntry> entries;
    for (const QString& name : readers) entries.append({name, 1});
    for (const QString& name : all) {
        const int close = name.indexOf(QLatin1Char(']'));
        const QString key = name.startsWith(QLatin1Char('[')) && close > 0 ? name.left(close + 1) : name;
        bool replaced = false;
        for (LanListEntry& e : entries) {
            if (e.name.compare(key, Qt::CaseInsensitive) == 0) {
                e = {name, 1};
                replaced = true;
                break;
            }
        }
        if (!replaced) entries.append({name, 2});
    }
    return entries;
}

QList<LanListEntry> SearchLanList()
{
    return MergeLanSearch(Search(Kavex_SearchLanDevices), Search(Kavex_SearchAllLanDevices));
}

QString LanEntryForDevice(const QString& device)
{
    const int close = device.indexOf(QLatin1Char(']'));
    return close > 0 ? device.left(close + 1) : device;
}

LanSettings LanSettingsFromTexts(const QString& identity, const QString& address, const QString& mask,
                                 const QString& gateway)
{
    LanSettings s;
    if (!address.isEmpty()) {
        s.mode = 1;
        const int dash = address.indexOf(QLatin1Char('-'));
        s.address = dash >= 0 ? address.left(dash) : address;
        s.port = dash >= 0 ? address.mid(dash + 1).toInt() : kDefaultPort;
    }
    const int close = identity.indexOf(QLatin1Char(']'));
    if (identity.startsWith(QLatin1Char('[')) && close > 0) {
        s.dhcpName = identity.mid(1, close - 1);
        const QString rest = identity.mid(close + 1);
        if (s.mode == 0 && rest.startsWith(QLatin1Char('-'))) s.port = rest.mid(1).toInt();
    } else {
        s.dhcpName = identity;
    }
    s.mask = mask;
    s.gateway = gateway;
    return s;
}

std::optional<LanSettings> ReadLanSettings(const QString& device)
{
    char identity[KAVEX_LAN_TEXT_SIZE] = {}, address[KAVEX_LAN_TEXT_SIZE] = {}, mask[KAVEX_LAN_TEXT_SIZE] = {},
         gateway[KAVEX_LAN_TEXT_SIZE] = {};
    if (Kavex_GetLanConfig(device.toLatin1().constData(), identity, address, mask, gateway) != 0) return std::nullopt;
    return LanSettingsFromTexts(QString::fromLatin1(identity), QString::fromLatin1(address), QString::fromLatin1(mask),
                                QString::fromLatin1(gateway));
}

LanRequestCheck CheckLanRequest(const LanRequest& r)
{
    LanRequestCheck c;
    auto fail = [&c](int message, int control) {
        c.messageId = message;
        c.focusControl = control;
        return c;
    };
    if (r.mode == 0 && (r.dhcpName.isEmpty() || r.dhcpName.size() > kLongestName || !NameCharacters(r.dhcpName)))
        return fail(kIdsLanNameRules, kIdcLanDhcpName);
    const auto port = Port(r.port);
    if (!port) return fail(kIdsLanPortRange, r.mode == 0 ? kIdcLanDhcpPort : kIdcLanIpPort);
    std::optional<quint32> mask;
    if (!r.mask.trimmed().isEmpty()) {
        mask = Dotted(r.mask);
        if (!mask || !Contiguous(*mask)) return fail(kIdsLanMaskNotContiguous, kIdcLanMask);
    }
    if (!r.gateway.trimmed().isEmpty() && !Dotted(r.gateway)) return fail(kIdsLanValidGateway, kIdcLanGateway);
    if (r.mode == 1) {
        const auto address = Dotted(r.address);
        if (!address || *address == 0) return fail(kIdsLanValidAddress, kIdcLanIpAddress);
        if (Unusable(*address, mask)) return fail(kIdsLanAddressNotUsable, kIdcLanIpAddress);
        c.newName = r.address.trimmed();
    } else {
        c.newName = QLatin1Char('[') + r.dhcpName + QLatin1Char(']');
    }
    c.newName += QStringLiteral("-%1").arg(*port);
    return c;
}

LanChangeResult ChangeLanSettings(const QString& device, const LanRequestCheck& check, const QString& mask,
                                  const QString& gateway, int limitMs, const std::function<void(int)>& step)
{
    LanChangeResult result;
    const QByteArray m = mask.trimmed().toLatin1(), g = gateway.trimmed().toLatin1();
    if (Kavex_SetLanConfig(device.toLatin1().constData(), check.newName.toLatin1().constData(), m.constData(),
                           g.constData()) != 0)
        return result;
    result.accepted = true;
    QElapsedTimer timer;
    timer.start();
    const QByteArray name = check.newName.toLatin1();
    for (;;) {
        if (Kavex_TestLanConnection(name.constData()) == 1) {
            result.reached = true;
            break;
        }
        if (timer.elapsed() >= limitMs) break;
        if (step) step(static_cast<int>(timer.elapsed()));
    }
    return result;
}

} // namespace velmora
