#include "settings.h"

#include <QSettings>

namespace velmora {

namespace {

QSettings Store()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QString::fromLatin1(kSettingsOrganisation),
                     QString::fromLatin1(kSettingsApplication));
}

QString Path(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
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
    Store().setValue(Path(section, key), value);
}

QString GetProfileString(const QString& section, const QString& key, const QString& def)
{
    const QVariant v = Store().value(Path(section, key));
    return v.isValid() ? v.toString() : def;
}

void WriteProfileString(const QString& section, const QString& key, const QString& value)
{
    if (key.isNull()) {
        DeleteProfileSection(section);
        return;
    }
    Store().setValue(Path(section, key), value);
}

void DeleteProfileSection(const QString& section)
{
    Store().remove(section);
}

QString SettingsFilePath()
{
    return Store().fileName();
}

} // namespace velmora
