#include "app/model/key_values.h"

#include "app/model/app_key_settings.h"
#include "app/model/card_session.h"
#include "app/model/key_text.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include "kavex.h"

namespace velmora {

namespace {

constexpr int kCardLevel = 0;
constexpr int kLastKeyNo = 13;

CardStepResult Refused(int id)
{
    CardStepResult result;
    result.statusLine = LoadStr(id);
    return result;
}

// The three texts of a key change, all checked before any card traffic.
struct KeyTexts {
    CCardStatus::Key newKey{};
    CCardStatus::Key oldKey{};
    uint8_t version = 0;
    ~KeyTexts()
    {
        WipeKey(newKey);
        WipeKey(oldKey);
    }
};

int ParseTexts(const QString& newText, const QString* oldText, const QString& versionText, KeyTexts* out)
{
    if (int id = ParseKeyText(newText, &out->newKey)) return id;
    if (oldText) {
        if (int id = ParseKeyText(*oldText, &out->oldKey)) return id;
    }
    return ParseByteText(versionText, &out->version);
}

} // namespace

CardStepResult ChangeCardMasterKey(int port, CCardStatus& status, CtlText* statusWnd, const QString& keyText,
                                   const QString& versionText, const ConfirmNewKey& confirm)
{
    KeyTexts texts;
    if (int id = ParseTexts(keyText, nullptr, versionText, &texts)) return Refused(id);

    CardStepResult result;
    QString message;
    if (!EnsureAppSelected(port, status, kCardLevel, &message)) {
        result.statusLine = GetStatusText(port, true, &status);
        return result;
    }
    unsigned char s[4] = {};
    if (Kavex_DFGetKeySettings(port, s, sizeof s) < 0) {
        status.ResetAuth();
        if (!EnsureAuthenticated(port, status, kCardLevel, 0, statusWnd, true)) return result;
        if (Kavex_DFGetKeySettings(port, s, sizeof s) < 0) {
            status.ResetAuth();
            result.statusLine = GetStatusText(port, true, &status);
            return result;
        }
    }
    const int access = s[2];
    if ((s[3] & 1) == 0) return Refused(kIdsMasterKeyFrozen);
    if (access == 15) return Refused(kIdsKeysFrozen);
    if (!EnsureAuthenticated(port, status, kCardLevel, access <= kLastKeyNo ? access : 0, statusWnd, true))
        return result;
    if (confirm && !confirm(texts.newKey, status.m_nAuthMode == CCardStatus::kAuthAES)) return Refused(kIdsCancelled);

    result.ok = Kavex_DFChangeKey(port, 0, texts.newKey.data(), 16, texts.version, nullptr, 0, 0) >= 0;
    result.statusLine = GetStatusText(port, true, &status);
    if (result.ok) status.RememberKey(kCardLevel, 0, texts.newKey);
    status.ResetAuth();
    return result;
}

CardStepResult ChangeAppKey(int port, CCardStatus& status, CtlText* statusWnd, const AppKeyChange& change)
{
    KeyTexts texts;
    if (int id = ParseTexts(change.newKeyText, &change.oldKeyText, change.versionText, &texts)) return Refused(id);
    int keyNo = 0;
    if (!change.masterKeyMode) {
        // The whole number: "256" would reach the card as key 0.
        keyNo = StrictKeyNumber(change.keyNoText);
        if (keyNo < 0 || keyNo > kLastKeyNo || (change.keyCount > 0 && keyNo >= change.keyCount))
            return Refused(kIdsKeyNoTooBig);
        if (change.changeKeyAccess == 0xFF) return Refused(kIdsFieldsMissing);
        if (change.changeKeyAccess == 15) return Refused(kIdsKeysFrozen);
    }

    CardStepResult result;
    QString message;
    if (!EnsureAppSelected(port, status, change.aid, &message)) {
        result.statusLine = message;
        return result;
    }
    if (change.masterKeyMode) {
        if (!EnsureAuthenticated(port, status, change.aid, 0, statusWnd, true)) return result;
        AppKeySettings settings;
        if (!ReadAppKeySettings(port, status, change.aid, statusWnd, false, &settings, &message)) {
            if (!message.isEmpty()) result.statusLine = message;
            return result;
        }
        if (!settings.masterKeyChangeable) return Refused(kIdsMasterKeyFrozen);
    } else {
        const int access = change.changeKeyAccess;
        int authKey = keyNo; // 14: the key itself
        if (access <= kLastKeyNo) authKey = (keyNo == 0 || keyNo == access) ? 0 : access;
        if (!EnsureAuthenticated(port, status, change.aid, authKey, statusWnd, true)) return result;
    }

    result.ok = Kavex_DFChangeKey(port, static_cast<unsigned char>(keyNo), texts.newKey.data(), 16, texts.version,
                                  texts.oldKey.data(), 16, 0) >= 0;
    result.statusLine = GetStatusText(port, true, &status);
    if (!result.ok) {
        status.ResetAuth();
        return result;
    }
    status.RememberKey(change.aid, keyNo, texts.newKey);
    // The card drops the session whose key changed.
    if (keyNo == status.m_nAuthKeyNo) status.ResetAuth();
    return result;
}

KeyVersionResult ReadKeyVersion(int port, CCardStatus& status, int aid, int keyNo)
{
    KeyVersionResult result;
    result.version = QStringLiteral("--");
    QString message;
    if (!EnsureAppSelected(port, status, aid, &message)) {
        result.statusLine = aid == kCardLevel ? GetStatusText(port, true, &status) : message;
        return result;
    }
    const int version = Kavex_DFGetKeyVersion(port, static_cast<unsigned char>(keyNo));
    result.ok = version >= 0;
    if (result.ok)
        result.version = QString::asprintf("%x", version);
    else
        status.ResetAuth();
    result.statusLine = GetStatusText(port, true, &status);
    return result;
}

} // namespace velmora
