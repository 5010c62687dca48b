#include "app/model/update_check.h"

#include "app/model/ui_strings.h"
#include "app/settings/ini_text.h"
#include "resources/string_ids.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

namespace velmora {

namespace {

// Large enough for any real major number, small enough that major * 1000
// plus a minor below 1000 stays within 32 bits.
constexpr uint32_t kMaxMajor = 4000000;

std::optional<uint32_t> Digits(const QString& text, uint32_t max)
{
    if (text.isEmpty() || text.size() > 7) return std::nullopt;
    uint32_t value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = value * 10 + static_cast<uint32_t>(c.unicode() - '0');
    }
    if (value > max) return std::nullopt;
    return value;
}

} // namespace

ProgramVersion OwnProgramVersion()
{
    ProgramVersion own;
    own.text = QStringLiteral(VELMORA_VERSION);
    own.number = static_cast<uint32_t>(VELMORA_VERSION_MAJOR) * 1000 + static_cast<uint32_t>(VELMORA_VERSION_MINOR);
    const QFileInfo program(QCoreApplication::applicationFilePath());
    own.buildDate = program.lastModified().toLocalTime().toString(QStringLiteral("yyyy-MM-dd"));
    return own;
}

std::optional<uint32_t> VersionNumber(const QString& text)
{
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    const std::optional<uint32_t> major = Digits(dot < 0 ? text : text.left(dot), kMaxMajor);
    if (!major) return std::nullopt;
    if (dot < 0) return *major * 1000;
    const std::optional<uint32_t> minor = Digits(text.mid(dot + 1), 999);
    if (!minor) return std::nullopt;
    return *major * 1000 + *minor;
}

VersionFileInfo ReadVersionFile(const QByteArray& text)
{
    CPrivateProfile ini;
    ini.Parse(text.toStdString());
    // Blanks a server leaves after a value would make the same build look
    // newer for ever: the values are compared as they are meant.
    auto value = [&ini](const char* key) {
        return QString::fromStdString(ini.GetValue(kUpdateProductSection, key, std::string())).trimmed();
    };
    return {value("Version"), value("Build"), value("Installer"), value("SHA256")};
}

bool IsBuildDate(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    return form.match(text).hasMatch() && QDate::fromString(text, QStringLiteral("yyyy-MM-dd")).isValid();
}

bool IsNewerVersionKnown(const VersionFileInfo& file, const ProgramVersion& own)
{
    const std::optional<uint32_t> version = VersionNumber(file.version);
    if (!version) return false;
    if (own.number < *version) return true;
    return IsBuildDate(file.build) && own.buildDate.toUtf8() < file.build.toUtf8();
}

UpdateLine EvaluateUpdate(UpdateDownload download, const QByteArray& text, const ProgramVersion& own)
{
    UpdateLine line;
    switch (download) {
    case UpdateDownload::Running: return line;
    case UpdateDownload::NoConnection: line.state = UpdateState::NoConnection; break;
    case UpdateDownload::NoFile: line.state = UpdateState::NoFile; break;
    case UpdateDownload::Downloaded:
        line.file = ReadVersionFile(text);
        if (text.isEmpty())
            line.state = UpdateState::NoConnection;
        else if (!VersionNumber(line.file.version) || !IsBuildDate(line.file.build))
            line.state = UpdateState::NoFile;
        else if (IsNewerVersionKnown(line.file, own))
            line.state = UpdateState::NewVersion;
        else
            line.state = UpdateState::UpToDate;
        break;
    }
    const QString product = LoadStr(kIdsProductName);
    switch (line.state) {
    case UpdateState::Checking: break;
    case UpdateState::NoConnection: line.text = LoadStr(kIdsUpdateNoConnection); break;
    case UpdateState::NoFile: line.text = LoadStr(kIdsUpdateNoFile); break;
    case UpdateState::NewVersion:
        line.text = LoadStr(kIdsUpdateNewVersion).arg(product, line.file.version, line.file.build);
        break;
    case UpdateState::UpToDate: line.text = LoadStr(kIdsUpdateCurrent).arg(product); break;
    }
    return line;
}

} // namespace velmora
