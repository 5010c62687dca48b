// Every test gets a settings store of its own.
#pragma once

#include <QSettings>
#include <QTemporaryDir>

namespace velmora::test {

class IsolatedSettings {
public:
    IsolatedSettings() { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path()); }
    QString Dir() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

} // namespace velmora::test
