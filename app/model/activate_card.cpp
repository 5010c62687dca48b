#include "app/model/activate_card.h"

#include "app/model/card_status.h"
#include "app/model/hex_text.h"
#include "app/model/main_window_logic.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include "kavex.h"

#include <QThread>

#include <algorithm>

namespace velmora {

ActivateCardResult ActivateCard(int port, CCardStatus& status)
{
    status.ResetOnActivation();
    ActivateCardResult result;
    if (port <= 0) {
        result.failure = ActivateCardResult::Failure::NoPort;
        return result;
    }

    // Field off and on again: the card forgets any earlier session. A
    // switching error is only shown until a later step writes its own line.
    if (Kavex_SetRF(port, 0) < 0) {
        result.statusLine = StatusWithCode(QStringLiteral("SetRF(0) Error"), Kavex_GetLastError(port));
    } else {
        QThread::msleep(50);
        if (Kavex_SetRF(port, 1) < 0)
            result.statusLine = StatusWithCode(QStringLiteral("SetRF(1) Error"), Kavex_GetLastError(port));
    }

    auto fail = [&](ActivateCardResult::Failure failure) {
        result.failure = failure;
        result.statusLine = GetStatusText(port, true, &status);
        return result;
    };

    unsigned short atqa = 0;
    if (Kavex_RequestA(port, &atqa) < 0) {
        result.uid = QStringLiteral("--");
        return fail(ActivateCardResult::Failure::RequestA);
    }
    unsigned char uid[10] = {};
    unsigned char sak = 0;
    const int uidLen = Kavex_AnticollSelect(port, uid, sizeof uid, &sak);
    if (uidLen < 0) {
        result.uid = QStringLiteral("--");
        return fail(ActivateCardResult::Failure::AnticollSelect);
    }
    result.uid = BytesToHex(uid, std::min<int>(uidLen, sizeof uid), false, true);
    if ((sak & 0x20) == 0) {
        result.uid = QStringLiteral("--");
        result.failure = ActivateCardResult::Failure::NotIso14443_4;
        result.statusLine = StatusWithCode(LoadStr(kIdsNoDesfire), 0);
        return result;
    }
    unsigned char ats[20] = {};
    const int atsLen = Kavex_RATS(port, ats, sizeof ats);
    if (atsLen < 0) return fail(ActivateCardResult::Failure::Rats);
    result.ats = QByteArray(reinterpret_cast<const char*>(ats), std::min<int>(atsLen, sizeof ats));
    status.m_ATS = result.ats;
    if (Kavex_PPS(port, PpsFromAts(result.ats)) < 0) return fail(ActivateCardResult::Failure::Pps);
    result.statusLine = GetStatusText(port, true, &status);
    return result;
}

} // namespace velmora
