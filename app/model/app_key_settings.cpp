#include "app/model/app_key_settings.h"

#include "app/model/card_session.h"
#include "app/model/card_status.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include "kavex.h"

namespace velmora {

namespace {

bool GetSettings(int port, unsigned char (&out)[4])
{
    return Kavex_DFGetKeySettings(port, out, sizeof out) >= 0;
}

} // namespace

bool ReadAppKeySettings(int port, CCardStatus& status, int aid, CtlText* statusWnd, bool ask, AppKeySettings* out,
                        QString* selectMessage)
{
    *out = AppKeySettings();
    if (!EnsureAppSelected(port, status, aid, selectMessage)) return false;
    unsigned char s[4] = {};
    if (!GetSettings(port, s)) {
        status.ResetAuth();
        if (!EnsureAuthenticated(port, status, aid, 0, statusWnd, ask) || !GetSettings(port, s)) {
            status.ResetAuth();
            return false;
        }
    }
    out->aid = aid;
    out->cryptoMethod = s[0];
    out->keyCount = s[1];
    out->changeKeyAccess = s[2];
    out->configChangeable = (s[3] >> 3) & 1;
    out->freeDirectory = (s[3] >> 1) & 1;
    out->freeCreateDelete = (s[3] >> 2) & 1;
    out->masterKeyChangeable = s[3] & 1;
    return true;
}

AppKeySettingsResult FetchAppKeySettings(int port, CCardStatus& status, int aid, CtlText* statusWnd)
{
    AppKeySettingsResult result;
    QString selectMessage;
    result.read = ReadAppKeySettings(port, status, aid, statusWnd, true, &result.settings, &selectMessage);
    result.ok = result.read;
    if (!selectMessage.isEmpty()) {
        result.statusLine = selectMessage;
        return result;
    }
    if (result.read && status.m_nAuthSource == CCardStatus::kSourceNone && status.IsAuthenticated() &&
        !result.settings.freeDirectory)
        status.m_nAuthSource = CCardStatus::kSourceAlready;
    result.statusLine = GetStatusText(port, true, &status);
    return result;
}

AppKeySettingsResult ChangeAppKeySettings(int port, CCardStatus& status, int aid, CtlText* statusWnd,
                                          const AppKeySettingsChange& change, const AppKeySettings& known,
                                          const std::function<bool()>& confirmFreeze)
{
    AppKeySettingsResult result;
    if (change.changeKeyAccess == 0xFF || change.configChangeable < 0 || change.freeCreateDelete < 0 ||
        change.freeDirectory < 0 || change.masterKeyChangeable < 0) {
        result.statusLine = LoadStr(kIdsFieldsMissing);
        return result;
    }
    if (!EnsureAuthenticated(port, status, aid, 0, statusWnd, true)) return result;
    AppKeySettings current = known;
    if (current.aid != aid) {
        QString selectMessage;
        if (!ReadAppKeySettings(port, status, aid, statusWnd, true, &current, &selectMessage)) {
            result.statusLine = selectMessage.isEmpty() ? GetStatusText(port, true, &status) : selectMessage;
            return result;
        }
    }
    if (current.configChangeable == 0) {
        result.statusLine = LoadStr(kIdsAppSettingsFrozen);
        return result;
    }
    const int access = change.changeKeyAccess;
    if (access >= 1 && access <= 13 && current.keyCount > 0 && access > current.keyCount - 1) {
        result.statusLine = LoadStr(kIdsKeyNoTooBig);
        return result;
    }
    const int settings = (change.configChangeable ? 8 : 0) + (change.freeCreateDelete ? 4 : 0) +
                         (change.freeDirectory ? 2 : 0) + (change.masterKeyChangeable ? 1 : 0);
    if (!change.configChangeable && !(confirmFreeze && confirmFreeze())) {
        result.statusLine = LoadStr(kIdsCancelled);
        return result;
    }
    result.ok = Kavex_DFChangeKeySettings(port, access, settings) >= 0;
    result.statusLine = GetStatusText(port, true, &status);
    if (!result.ok) {
        status.ResetAuth();
        return result;
    }
    QString ignored;
    result.read = ReadAppKeySettings(port, status, aid, statusWnd, true, &result.settings, &ignored);
    return result;
}

} // namespace velmora
