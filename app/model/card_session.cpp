#include "app/model/card_session.h"

#include "app/model/card_ui.h"
#include "app/model/controls.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include "kavex.h"

#include <algorithm>

namespace velmora {

namespace {

void Write(CtlText* statusWnd, const QString& text)
{
    if (statusWnd) statusWnd->SetText(text);
}

bool NeedsAuthentication(int port)
{
    const int s = Kavex_GetLastError(port);
    return s == KAVEX_DF_AUTHENTICATION_ERROR || s == KAVEX_DF_ERR_NEEDS_AUTHENTICATION;
}

bool Satisfied(const CCardStatus& status, int aid, int keyNo)
{
    return status.IsAuthenticated() && (aid < 0 || aid == status.m_nCurrentAid) &&
           (keyNo < 0 || keyNo == status.m_nAuthKeyNo);
}

void ReportDialogEnd(int port, CCardUi::DialogResult result, CtlText* statusWnd)
{
    if (result == CCardUi::DialogResult::Cancelled) Write(statusWnd, LoadStr(kIdsCancelled));
    if (result == CCardUi::DialogResult::Unavailable) Write(statusWnd, LoadStr(kIdsAuthMissing));
    if (CardGone(port) && statusWnd) statusWnd->SetText(GetStatusText(port, false, nullptr));
}

} // namespace

bool CardGone(int port)
{
    return Kavex_GetLastError(port) == KAVEX_ERR_NO_TRANSPONDER;
}

bool EnsureAppSelected(int port, CCardStatus& status, int aid, QString* message)
{
    // -1 means "not known"; it must never pass for "already selected".
    if (aid >= 0 && aid == status.m_nCurrentAid) return true;
    if (Kavex_DFSelectApplication(port, static_cast<unsigned int>(aid)) < 0) {
        status.m_nCurrentAid = -1;
        status.ResetAuth();
        const QString text = GetStatusText(port, false, nullptr);
        if (message)
            *message = text;
        else if (status.m_pUi)
            status.m_pUi->ShowMessage(text);
        return false;
    }
    status.m_nCurrentAid = aid;
    status.ResetAuth();
    return true;
}

bool AuthenticateKey(int port, CCardStatus& status, int aid, int keyNo, const CCardStatus::Key& key,
                     bool forgetOnFailure, QString* message)
{
    QString local;
    QString& msg = message ? *message : local;
    msg.clear();
    if (!EnsureAppSelected(port, status, aid, &msg)) {
        if (forgetOnFailure) status.ForgetKeys(aid, -1);
        return false;
    }

    uint8_t method = 0xFF;
    if (aid >= 1) {
        unsigned char settings[4] = {};
        if (Kavex_DFGetKeySettings(port, settings, sizeof settings) >= 0) method = settings[0];
    }

    const auto no = static_cast<unsigned char>(keyNo);
    bool ok = false;
    if (method == 0x00 || method == 0xFF) {
        if (Kavex_DFAuthenticateISO(port, no, key.data(), 16) >= 0) {
            status.m_nAuthMode = CCardStatus::kAuthISO;
            ok = true;
        } else if (Kavex_DFAuthenticateAES(port, no, key.data(), 16) >= 0) {
            status.m_nAuthMode = CCardStatus::kAuthAES;
            ok = true;
        }
    } else if (method == 0x40) {
        msg = LoadStr(kIdsTripleDes3kUnsupported);
        return false;
    } else if (method == 0x80) {
        if (Kavex_DFAuthenticateAES(port, no, key.data(), 16) >= 0) {
            status.m_nAuthMode = CCardStatus::kAuthAES;
            ok = true;
        }
    }

    if (!ok) {
        status.ResetAuth();
        if (forgetOnFailure) status.ForgetKeys(aid, keyNo);
        msg = Kavex_GetLastError(port) == KAVEX_DF_AUTHENTICATION_ERROR ? LoadStr(kIdsAuthFailed)
                                                                        : GetStatusText(port, false, nullptr);
        return false;
    }
    status.m_nAuthKeyNo = static_cast<uint8_t>(keyNo);
    status.RememberKey(aid, keyNo, key);
    return true;
}

bool EnsureAuthenticated(int port, CCardStatus& status, int aid, int keyNo, CtlText* statusWnd, bool ask)
{
    status.m_nAuthSource = CCardStatus::kSourceNone;
    if (Satisfied(status, aid, keyNo)) {
        status.m_nAuthSource = CCardStatus::kSourceAlready;
        return true;
    }

    for (const CCardStatus::CKey& k : status.m_KeyList) {
        if ((aid >= 0 && k.aid != aid) || (keyNo >= 0 && k.keyNo != keyNo)) continue;
        // A copy: a failing key is deleted from the list under our feet.
        const CCardStatus::CKey tried = k;
        QString ignored;
        if (AuthenticateKey(port, status, tried.aid, tried.keyNo, tried.value, true, &ignored)) {
            status.m_nAuthSource = CCardStatus::kSourceRemembered;
            return true;
        }
        break;
    }

    if (!ask) return false;

    if (aid >= 0) {
        QString message;
        if (!EnsureAppSelected(port, status, aid, &message)) {
            Write(statusWnd, message);
            return false;
        }
    }

    CCardUi::DialogResult result = CCardUi::DialogResult::Unavailable;
    if (status.m_pUi) {
        result = keyNo != 0 ? status.m_pUi->RunAuthenticateDlg(port, status, aid, keyNo)
                            : status.m_pUi->RunMasterkeyAuthentDlg(port, status, aid);
    }
    ReportDialogEnd(port, result, statusWnd);

    if (!Satisfied(status, aid, keyNo)) return false;
    status.m_nAuthSource = CCardStatus::kSourceDialog;
    return true;
}

bool AuthenticateOneOf(int port, CCardStatus& status, int aid, const std::vector<uint8_t>& keys, CtlText* statusWnd)
{
    std::vector<uint8_t> unique;
    for (uint8_t k : keys)
        if (std::find(unique.begin(), unique.end(), k) == unique.end()) unique.push_back(k);

    CCardUi::DialogResult result = CCardUi::DialogResult::Unavailable;
    if (status.m_pUi) result = status.m_pUi->RunAuthenticateDlg(port, status, aid, unique);
    ReportDialogEnd(port, result, statusWnd);

    return status.IsAuthenticated() && aid == status.m_nCurrentAid &&
           std::find(unique.begin(), unique.end(), status.m_nAuthKeyNo) != unique.end();
}

bool ReadAppIds(int port, CCardStatus& status, bool ask, QString* message)
{
    status.m_AppIds.clear();
    status.m_bAppIdsRead = false;
    if (!EnsureAppSelected(port, status, 0, message)) return false;

    unsigned int ids[CCardStatus::kMaxAppIds] = {};
    int n = Kavex_DFGetApplicationIDs(port, ids, sizeof ids);
    if (n < 0 && NeedsAuthentication(port) && EnsureAuthenticated(port, status, 0, 0, nullptr, ask))
        n = Kavex_DFGetApplicationIDs(port, ids, sizeof ids);
    if (n < 0) {
        if (message) *message = GetStatusText(port, true, &status);
        return false;
    }
    status.m_AppIds.assign(ids, ids + std::min(n, CCardStatus::kMaxAppIds));
    status.m_bAppIdsRead = true;
    if (message) *message = GetStatusText(port, true, &status);
    return true;
}

bool ReadFileSettingsAuth(int port, CCardStatus& status, uint8_t fileNo, QByteArray* out, CtlText* statusWnd)
{
    out->clear();
    unsigned char settings[17] = {};
    int n = Kavex_DFGetFileSettings(port, fileNo, settings, sizeof settings);
    if (n < 0 && NeedsAuthentication(port)) {
        status.ResetAuth();
        if (!EnsureAuthenticated(port, status, status.m_nCurrentAid, 0, statusWnd, true)) return false;
        n = Kavex_DFGetFileSettings(port, fileNo, settings, sizeof settings);
    }
    if (statusWnd) statusWnd->SetText(GetStatusText(port, true, &status));
    if (n < 4) return false;
    *out = QByteArray(reinterpret_cast<const char*>(settings), n);
    return true;
}

} // namespace velmora
