// Settings files as a user or an older version may leave them: any bytes.
// The key store read from one must survive being written back and read
// again, entry for entry, and the readers of single values must take
// whatever the file holds.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdlib>

#include "app/settings/key_store.h"
#include "app/settings/settings.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

struct Snapshot {
    std::vector<std::pair<QString, QString>> items;
    bool operator==(const Snapshot& o) const { return items == o.items; }
};

Snapshot Load()
{
    velmora::CKeyStoreItemList list;
    list.LoadKeyStore();
    Snapshot s;
    for (int i = 0; i < list.Count(); ++i) s.items.emplace_back(list.At(i).m_strName, list.At(i).m_strValue);
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir root;
    static unsigned run = 0;
    // A directory of its own per input: QSettings keeps what it has read of
    // a file and would not see a rewrite within the same moment.
    const QString dir = root.path() + QLatin1Char('/') + QString::number(run++);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
    {
        QDir().mkpath(QFileInfo(velmora::SettingsFilePath()).absolutePath());
        QFile file(velmora::SettingsFilePath());
        Check(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }

    velmora::GetProfileInt(QStringLiteral("Port"), QStringLiteral("Baud"), 0);
    velmora::GetProfileString(QStringLiteral("Port"), QStringLiteral("Name"), QString());
    velmora::GetProfileSection(QStringLiteral("Window"));
    QString problem;
    velmora::SettingsFileReadable(&problem);

    const Snapshot first = Load();
    velmora::CKeyStoreItemList list;
    list.LoadKeyStore();
    list.SaveKeyStore();
    Check(Load() == first);
    QDir(dir).removeRecursively();
    return 0;
}
