// The rules of the LAN dialogs that need no window, and their sequences
// with the SDK: the two searches merged into one list, a reader's network
// settings read and checked, and the change of settings with the wait for
// the reader under its new name.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace velmora {

// An entry of the IP list: found by the readers-only search (mark 1) or
// only by the search for every module (mark 2, cannot be chosen).
struct LanListEntry {
    QString name;
    int mark = 1;
};
QList<LanListEntry> MergeLanSearch(const QStringList& readers, const QStringList& all);
// Both searches of the SDK, merged.
QList<LanListEntry> SearchLanList();

// What the interface dialog stores for a chosen LAN device: a name in
// identity form without the address behind it.
QString LanEntryForDevice(const QString& device);

// A reader's settings as the LAN configuration dialog shows them.
struct LanSettings {
    int mode = 0;     // 0 DHCP (by name), 1 fixed address
    QString dhcpName; // identity without brackets
    QString address;  // dotted, empty in mode 0
    int port = 10001;
    QString mask;
    QString gateway;
};
// From the texts of Kavex_GetLanConfig.
LanSettings LanSettingsFromTexts(const QString& identity, const QString& address, const QString& mask,
                                 const QString& gateway);
// Reads them from the reader; nothing when it does not answer.
std::optional<LanSettings> ReadLanSettings(const QString& device);

// What the user entered, as text.
struct LanRequest {
    int mode = 1;
    QString dhcpName;
    QString address;
    QString port;
    QString mask;
    QString gateway;
};
// The outcome of the checks before any traffic: the string id of the
// message (0: fine), the control to put the focus on, and the name the
// reader gets ("[name]-port" or "a.b.c.d-port").
struct LanRequestCheck {
    int messageId = 0;
    int focusControl = 0;
    QString newName;
};
LanRequestCheck CheckLanRequest(const LanRequest& request);

// Hands the new settings to the reader. Then tries to reach the reader
// under its new name until limitMs have passed, with step(elapsed ms)
// between the tries; step does the waiting (and shows the progress).
struct LanChangeResult {
    bool accepted = false; // the reader took the settings
    bool reached = false;  // and answered under its new name in time
};
LanChangeResult ChangeLanSettings(const QString& device, const LanRequestCheck& check, const QString& mask,
                                  const QString& gateway, int limitMs, const std::function<void(int)>& step);

} // namespace velmora
