#include "app/model/main_window_logic.h"

#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

namespace velmora {

QString FirmwareText(uint8_t revision)
{
    int minor = 255;
    if (revision >= '0' && revision <= '9')
        minor = revision - '0';
    else if (revision >= 'A' && revision <= 'Z')
        minor = revision - 'A' + 10;
    else if (revision >= 'a' && revision <= 'z')
        minor = revision - 'a' + 10;
    return QString::asprintf(LoadStr(kIdsFirmware).toUtf8().constData(), 1, minor);
}

QString StatusWithCode(const QString& text, int code)
{
    if (code == 0) return text;
    if (code >= 129 && code <= 255) code -= 256;
    return QStringLiteral("%1 <%2>").arg(text).arg(code);
}

uint8_t PpsFromAts(const QByteArray& ats)
{
    // T0 (the first byte) tells whether TA(1) is there at all; without it
    // the second byte is TB(1) or TC(1) and says nothing about bit rates.
    if (ats.size() < 2 || (static_cast<uint8_t>(ats.at(0)) & 0x10) == 0) return 0;
    const auto b = static_cast<uint8_t>(ats.at(1));
    const int dri = (b & 0x04) ? 3 : (b & 0x02) ? 2 : (b & 0x01) ? 1 : 0;
    const int dsi = (b & 0x40) ? 3 : (b & 0x20) ? 2 : (b & 0x10) ? 1 : 0;
    return static_cast<uint8_t>(dri | dsi << 2);
}

QString ProductVersionText(const QString& version)
{
    if (version.isEmpty() || version.size() >= 20) return QStringLiteral("1.xx");
    return version;
}

} // namespace velmora
