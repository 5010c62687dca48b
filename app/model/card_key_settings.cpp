#include "app/model/card_key_settings.h"

#include "app/model/card_session.h"
#include "app/model/card_status.h"
#include "app/model/key_text.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include "kavex.h"

namespace velmora {

namespace {

constexpr int kCardLevel = 0;
constexpr int kNewKeyTypeAes = 2;

bool GetSettings(int port, int* settings)
{
    unsigned char out[4] = {};
    if (Kavex_DFGetKeySettings(port, out, sizeof out) < 0) return false;
    *settings = out[3];
    return true;
}

} // namespace

CardKeySettingsResult ReadCardKeySettings(int port, CCardStatus& status, CtlText* statusWnd)
{
    CardKeySettingsResult result;
    QString message;
    if (!EnsureAppSelected(port, status, kCardLevel, &message)) {
        result.statusLine = GetStatusText(port, true, &status);
        return result;
    }
    int settings = 0;
    if (!GetSettings(port, &settings)) {
        status.ResetAuth();
        if (!EnsureAuthenticated(port, status, kCardLevel, 0, statusWnd, true)) return result;
        if (!GetSettings(port, &settings)) {
            status.ResetAuth();
            result.clearView = true;
            result.statusLine = GetStatusText(port, true, &status);
            return result;
        }
    }
    result.ok = true;
    result.settings = settings;
    result.configChangeable = (settings >> 3) & 1;
    // Without free listing the read needed the authentication that was there.
    if (status.m_nAuthSource == CCardStatus::kSourceNone && status.IsAuthenticated() && (settings & 0x02) == 0)
        status.m_nAuthSource = CCardStatus::kSourceAlready;
    result.statusLine = GetStatusText(port, true, &status);
    return result;
}

CardKeySettingsResult ChangeCardKeySettings(int port, CCardStatus& status, CtlText* statusWnd, int configChangeable,
                                            int masterKeyChangeable, int freeDirectory, int freeCreateDelete)
{
    CardKeySettingsResult result;
    result.configChangeable = configChangeable;
    if (masterKeyChangeable < 0 || freeDirectory < 0 || freeCreateDelete < 0) {
        result.statusLine = LoadStr(kIdsFieldsMissing);
        return result;
    }
    if (!EnsureAuthenticated(port, status, kCardLevel, 0, statusWnd, true)) return result;
    if (result.configChangeable < 0) {
        int settings = 0;
        if (!GetSettings(port, &settings)) {
            // The card has ended the session with the failed command; the
            // line must not claim it is still there.
            status.ResetAuth();
            result.statusLine = GetStatusText(port, true, &status);
            return result;
        }
        result.configChangeable = (settings >> 3) & 1;
    }
    if (result.configChangeable == 0) {
        result.statusLine = LoadStr(kIdsCardSettingsFrozen);
        return result;
    }
    const int settings = (masterKeyChangeable ? 1 : 0) + (freeDirectory ? 2 : 0) + (freeCreateDelete ? 4 : 0) + 8;
    result.ok = Kavex_DFChangeKeySettings(port, 0, settings) >= 0;
    result.statusLine = GetStatusText(port, true, &status);
    if (result.ok)
        result.settings = settings;
    else
        status.ResetAuth();
    return result;
}

CardKeySettingsResult FreezeCardKeySettings(int port, CCardStatus& status, CtlText* statusWnd)
{
    CardKeySettingsResult result;
    QString message;
    if (!EnsureAppSelected(port, status, kCardLevel, &message)) {
        result.statusLine = GetStatusText(port, true, &status);
        return result;
    }
    if (!EnsureAuthenticated(port, status, kCardLevel, 0, statusWnd, true)) return result;
    int settings = 0;
    if (!GetSettings(port, &settings)) {
        status.ResetAuth();
        if (!EnsureAuthenticated(port, status, kCardLevel, 0, statusWnd, true)) return result;
        if (!GetSettings(port, &settings)) {
            status.ResetAuth();
            result.statusLine = GetStatusText(port, true, &status);
            return result;
        }
    }
    result.ok = Kavex_DFChangeKeySettings(port, 0, settings & 7) >= 0;
    result.statusLine = GetStatusText(port, true, &status);
    if (result.ok) {
        result.settings = settings & 7;
        result.configChangeable = 0;
    } else {
        status.ResetAuth();
    }
    return result;
}

CardStepResult ConvertCardMasterKeyToAes(int port, CCardStatus& status, CtlText* statusWnd)
{
    CardStepResult result;
    if (!EnsureAuthenticated(port, status, kCardLevel, 0, statusWnd, true)) return result;
    const CCardStatus::CKey* remembered = status.FindKey(kCardLevel, 0);
    if (!remembered) {
        result.statusLine = LoadStr(kIdsError);
        return result;
    }
    CCardStatus::Key key = remembered->value;
    result.ok = Kavex_DFChangeKey(port, 0, key.data(), 16, 0, key.data(), 16, kNewKeyTypeAes) >= 0;
    WipeKey(key);
    result.statusLine = GetStatusText(port, true, &status);
    // The key change ended the session, whatever the card answered.
    status.ResetAuth();
    return result;
}

} // namespace velmora
