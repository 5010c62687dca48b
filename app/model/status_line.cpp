#include "app/model/status_line.h"

#include "app/model/card_status.h"
#include "app/model/language.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include "kavex.h"

namespace velmora {

QString SdkStatusText(int port)
{
    char buffer[1024] = {};
    const int n = Kavex_GetErrorText(port, SdkTextLanguage(StoredLanguage()), buffer, sizeof buffer - 1);
    QString text = QString::fromUtf8(buffer, n > 0 ? n : 0);
    if (text.size() > 200) text.truncate(200);
    return text;
}

QString AuthNote(const CCardStatus& status)
{
    const int key = status.m_nAuthKeyNo;
    QString note;
    if (status.m_nAuthSource == CCardStatus::kSourceAlready)
        note = key == 0 ? LoadStr(kIdsAlreadyAuthWithMasterKey)
                        : LoadStr(kIdsAlreadyAuthWithKeyNo) + QLatin1Char(' ') + QString::asprintf("%.2d", key);
    else if (status.m_nAuthSource == CCardStatus::kSourceRemembered)
        note = key == 0 ? LoadStr(kIdsAuthWithMasterKey)
                        : LoadStr(kIdsAuthWithKeyNo) + QLatin1Char(' ') + QString::asprintf("%.2d", key);
    else
        return QString();
    return QStringLiteral("  (") + note + QLatin1Char(')');
}

QString GetStatusText(int port, bool withNote, CCardStatus* status)
{
    QString text = SdkStatusText(port);
    if (withNote && status) text += AuthNote(*status);
    return text;
}

QString GetListStatusText(int port, CCardStatus& status)
{
    QString text = SdkStatusText(port);
    if (status.m_nAuthSource == CCardStatus::kSourceNone && status.IsAuthenticated()) {
        unsigned char settings[4] = {};
        // Without free directory listing the listing needed the
        // authentication that was already there.
        if (Kavex_DFGetKeySettings(port, settings, sizeof settings) >= 0 && (settings[3] & 0x02) == 0)
            status.m_nAuthSource = CCardStatus::kSourceAlready;
    }
    return text + AuthNote(status);
}

} // namespace velmora
