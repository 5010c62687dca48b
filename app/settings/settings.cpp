#include "app/settings/settings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>

#include <mutex>

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

struct BrokenFiles {
    std::mutex lock;
    QSet<QString> kept; // files a copy was kept of in this run
    QStringList untold; // copies no notifier has heard of yet
    std::function<void(const QString&)> notifier;
};

BrokenFiles& Broken()
{
    static BrokenFiles broken;
    return broken;
}

QString CopyName(const QString& path)
{
    const QString base =
        path + QStringLiteral(".broken-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base;
    for (int n = 2; QFileInfo::exists(name); ++n) name = base + QLatin1Char('-') + QString::number(n);
    return name;
}

// A section header without its closing bracket is what QSettings fails to
// parse. QSettings says so only when it reads the file afresh, not when it
// takes the file's new contents into what it had cached, so the file is
// looked at here as well.
bool UnparsableSection(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QByteArray text = line.trimmed();
        if (text.startsWith('[') && !text.contains(']')) return true;
    }
    return false;
}

// False when the file cannot be parsed and no copy of it could be kept:
// then it must not be written.
bool KeepCopyIfBroken(const QSettings& store, QString* copy)
{
    const QString path = store.fileName();
    if (store.status() != QSettings::FormatError && !UnparsableSection(path)) return true;
    BrokenFiles& broken = Broken();
    {
        std::lock_guard<std::mutex> lock(broken.lock);
        if (broken.kept.contains(path)) return true;
    }
    const QString name = CopyName(path);
    if (!QFile::copy(path, name)) return false;
    ::chmod(QFile::encodeName(name).constData(), 0600);
    std::function<void(const QString&)> notifier;
    {
        std::lock_guard<std::mutex> lock(broken.lock);
        broken.kept.insert(path);
        notifier = broken.notifier;
        if (!notifier) broken.untold << name;
    }
    if (notifier) notifier(name);
    *copy = name;
    return true;
}

template <class Change>
void Write(Change&& change)
{
    QSettings store = Store();
    // Atomic: a temporary file beside it, synced, renamed over it.
    store.setAtomicSyncRequired(true);
    const QString path = store.fileName();
    QString copy;
    if (!KeepCopyIfBroken(store, &copy)) return;
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

QString KeepBrokenSettingsCopy()
{
    QString copy;
    KeepCopyIfBroken(Store(), &copy);
    return copy;
}

void SetBrokenSettingsNotifier(std::function<void(const QString& copyPath)> notifier)
{
    QStringList untold;
    {
        BrokenFiles& broken = Broken();
        std::lock_guard<std::mutex> lock(broken.lock);
        broken.notifier = notifier;
        if (notifier) untold.swap(broken.untold);
    }
    for (const QString& copy : untold) notifier(copy);
}

} // namespace velmora
