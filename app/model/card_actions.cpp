#include "app/model/card_actions.h"

#include "app/model/card_session.h"
#include "app/model/card_status.h"
#include "app/model/hex_text.h"
#include "app/model/status_line.h"

#include "kavex.h"

namespace velmora {

namespace {

// Any failure of a card command has ended the card's authentication.
CardActionResult Finish(int port, CCardStatus& status, bool ok, const QString& value)
{
    if (!ok) status.ResetAuth();
    CardActionResult result;
    result.ok = ok;
    result.value = ok ? value : QStringLiteral("--");
    result.sent = true;
    result.statusLine = GetStatusText(port, true, &status);
    return result;
}

} // namespace

CardActionResult ReadCardUid(int port, CCardStatus& status, CtlText* statusWnd)
{
    if (!EnsureAuthenticated(port, status, -1, -1, statusWnd, true)) {
        CardActionResult refused;
        refused.value = QStringLiteral("--");
        return refused;
    }
    unsigned char uid[7] = {};
    const bool ok = Kavex_DFGetCardUID(port, uid, sizeof uid) >= 7;
    return Finish(port, status, ok, ok ? BytesToHex(uid, 7, false, true) : QString());
}

CardActionResult ReadFreeMemory(int port, CCardStatus& status)
{
    const int free = Kavex_DFGetFreeMemory(port);
    status.m_nFreeMemory = free >= 0 ? free : -1;
    return Finish(port, status, free >= 0, QString::number(free));
}

CardActionResult FormatCard(int port, CCardStatus& status, CtlText* statusWnd)
{
    if (!EnsureAuthenticated(port, status, 0, 0, statusWnd, true)) return {};
    status.m_nFreeMemory = -1;
    const bool ok = Kavex_DFFormatPICC(port) >= 0;
    if (ok) status.m_FileInfoList.clear(); // no file is left
    return Finish(port, status, ok, QString());
}

} // namespace velmora
