#include "app/model/application_actions.h"

#include "app/model/card_session.h"
#include "app/model/card_status.h"
#include "app/model/controls.h"
#include "app/model/status_line.h"
#include "resources/string_ids.h"

#include "kavex.h"

namespace velmora {

namespace {

constexpr int kMaxKeys = 14;
constexpr uint8_t kFreeCreateDelete = 0x04;

// The card level's key settings (4 bytes as the SDK gives them).
bool CardLevelSettings(int port, unsigned char (&settings)[4])
{
    return Kavex_DFGetKeySettings(port, settings, sizeof settings) >= 0;
}

} // namespace

int CheckNewApplication(const NewApplication& app)
{
    if (app.keyCount > kMaxKeys) return kIdsMaxKeys;
    // A key number names a key of the application; 14 and 15 are rules.
    if (app.changeKey < kMaxKeys && app.changeKey >= app.keyCount) return kIdsChangeKeyTooBig;
    return 0;
}

ApplicationActionResult CreateApplication(int port, CCardStatus& status, const NewApplication& app, CtlText& statusWnd)
{
    ApplicationActionResult result;
    QString message;
    if (!EnsureAppSelected(port, status, 0, &message)) {
        statusWnd.SetText(message);
        return result;
    }
    unsigned char settings[4] = {};
    if (!CardLevelSettings(port, settings)) {
        status.ResetAuth();
        if (!EnsureAuthenticated(port, status, 0, 0, &statusWnd, true)) return result;
        if (!CardLevelSettings(port, settings)) {
            status.ResetAuth();
            statusWnd.SetText(GetStatusText(port, true, &status));
            return result;
        }
    }
    if ((settings[3] & kFreeCreateDelete) == 0 && !EnsureAuthenticated(port, status, 0, 0, &statusWnd, true))
        return result;

    const int cipher = app.aes ? 2 : 0;
    if (Kavex_DFCreateApplication(port, app.aid, cipher, app.keyCount, 0, app.changeKey, app.settings & 0x0F, nullptr,
                                  0) < 0) {
        statusWnd.SetText(GetStatusText(port, true, &status));
        status.ResetAuth();
        return result;
    }
    // Keys and files of an earlier application of this number are not
    // this one's.
    status.ForgetKeys(static_cast<int>(app.aid), -1);
    status.ForgetFileInfo(static_cast<int>(app.aid), -1);
    status.m_nFreeMemory = -1;
    if (status.m_bAppIdsRead) status.m_AppIds.push_back(app.aid);
    result.ok = true;
    statusWnd.SetText(GetStatusText(port, true, &status));
    return result;
}

ApplicationActionResult DeleteApplication(int port, CCardStatus& status, uint32_t aid, CtlText& statusWnd)
{
    ApplicationActionResult result;
    const int app = static_cast<int>(aid);
    QString ignored;
    EnsureAppSelected(port, status, 0, &ignored); // the settings below tell what failed

    // May the application's own master key delete it? -1: unknown.
    unsigned char settings[4] = {};
    const int freeDelete = CardLevelSettings(port, settings) ? (settings[3] & kFreeCreateDelete ? 1 : 0) : -1;

    // The first that works: without asking where the card lets the
    // application's own master key delete, then asking.
    struct Attempt {
        int aid;
        bool ask;
    };
    const Attempt freeOrder[] = {{0, false}, {app, false}, {app, true}, {0, true}};
    const Attempt cardOnly[] = {{0, true}};
    const Attempt unknownOrder[] = {{0, true}, {app, true}};
    const Attempt* attempts = freeDelete == 1 ? freeOrder : freeDelete == 0 ? cardOnly : unknownOrder;
    const int count = freeDelete == 1 ? 4 : freeDelete == 0 ? 1 : 2;
    bool authenticated = false;
    for (int i = 0; i < count && !authenticated; ++i)
        authenticated = EnsureAuthenticated(port, status, attempts[i].aid, 0, &statusWnd, attempts[i].ask);
    if (!authenticated) return result;

    result.ok = Kavex_DFDeleteApplication(port, aid) >= 0;
    if (!result.ok) status.ResetAuth();
    statusWnd.SetText(GetStatusText(port, true, &status));
    if (result.ok) status.ForgetApplication(app);
    return result;
}

} // namespace velmora
