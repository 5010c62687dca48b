#include "app/settings/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

constexpr QFile::Permissions kOwnerOnlyDir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

QSettings Store()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QString::fromLatin1(kSettingsOrganisation),
                     QString::fromLatin1(kSettingsApplication));
}

QString Path(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

// Missing directories are made for the owner only (QSettings would make
// them world-readable), from the outermost missing one inwards.
void MakePrivateDirectories(const QString& dir)
{
    QStringList missing;
    QFileInfo info(dir);
    while (!info.exists() && !info.isRoot() && !info.filePath().isEmpty()) {
        missing.prepend(info.absoluteFilePath());
        info = QFileInfo(info.absolutePath());
    }
    for (const QString& d : missing) QDir().mkdir(d, kOwnerOnlyDir);
}

// QSettings rewrites the file through a temporary file that takes over the
// mode of the file it replaces, so a file that exists with 0600 before the
// first write is never readable by others, not even for a moment.
void PrepareFile(const QString& path)
{
    if (QFileInfo::exists(path)) return;
    MakePrivateDirectories(QFileInfo(path).absolutePath());
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
}

// A file made by an older version, or by hand, is tightened on its next rewrite.
void KeepPrivate(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 07777) != 0600)
        ::chmod(name.constData(), 0600);
}

template <class Change>
void Write(Change&& change)
{
    QSettings store = Store();
    const QString path = store.fileName();
    PrepareFile(path);
    change(store);
    store.sync();
    KeepPrivate(path);
}

QString AsText(const QVariant& v)
{
    if (v.typeId() == QMetaType::QStringList || v.typeId() == QMetaType::QVariantList)
        return v.toStringList().join(QLatin1String(", "));
    return v.toString();
}

} // namespace

int GetProfileInt(const QString& section, const QString& key, int def)
{
    const QVariant v = Store().value(Path(section, key));
    if (!v.isValid()) return def;
    bool ok = false;
    const int value = v.toString().trimmed().toInt(&ok);
    return ok ? value : def;
}

void WriteProfileInt(const QString& section, const QString& key, int value)
{
    Write([&](QSettings& s) { s.setValue(Path(section, key), value); });
}

QString GetProfileString(const QString& section, const QString& key, const QString& def)
{
    const QVariant v = Store().value(Path(section, key));
    return v.isValid() ? AsText(v) : def;
}

std::vector<std::pair<QString, QString>> GetProfileSection(const QString& section)
{
    QSettings store = Store();
    store.beginGroup(section);
    std::vector<std::pair<QString, QString>> values;
    for (const QString& key : store.childKeys()) {
        const QVariant v = store.value(key);
        if (v.isValid()) values.emplace_back(key, AsText(v));
    }
    return values;
}

void WriteProfileString(const QString& section, const QString& key, const QString& value)
{
    if (key.isNull()) {
        DeleteProfileSection(section);
        return;
    }
    Write([&](QSettings& s) { s.setValue(Path(section, key), value); });
}

void DeleteProfileSection(const QString& section)
{
    Write([&](QSettings& s) { s.remove(section); });
}

void ReplaceProfileSection(const QString& section, const std::vector<std::pair<QString, QString>>& values)
{
    Write([&](QSettings& s) {
        s.remove(section);
        for (const auto& [key, value] : values) s.setValue(Path(section, key), value);
    });
}

QString SettingsFilePath()
{
    return Store().fileName();
}

bool SettingsFileReadable(QString* problem)
{
    const QSettings store = Store();
    const QString path = store.fileName();
    if (!QFileInfo::exists(path)) {
        *problem = path + QLatin1String(" does not exist");
        return false;
    }
    if (store.status() == QSettings::AccessError) {
        *problem = QLatin1String("cannot read ") + path;
        return false;
    }
    return true;
}

} // namespace velmora
