// The key settings of one application: number of keys, crypto method, who
// may change keys and the four settings bits; read, and changed with the
// application master key.
#pragma once

#include "app/model/card_step.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace velmora {

class CCardStatus;
class CtlText;

struct AppKeySettings {
    int aid = -1; // the application they were read from; -1 none
    int configChangeable = 0;
    int keyCount = 0;
    int cryptoMethod = 0; // 0x00, 0x40 or 0x80
    int changeKeyAccess = 0;
    int freeDirectory = 0;
    int freeCreateDelete = 0;
    int masterKeyChangeable = 1;
};

// Selects aid and reads its settings, authenticating with key 0 when the
// card wants it (asking the user only when ask is set). A failed selection
// leaves its message in selectMessage.
bool ReadAppKeySettings(int port, CCardStatus& status, int aid, CtlText* statusWnd, bool ask, AppKeySettings* out,
                        QString* selectMessage);

struct AppKeySettingsResult : CardStepResult {
    // The settings to show; when not read, the dialog shows "unknown".
    bool read = false;
    AppKeySettings settings;
};

// "Einstellungen holen".
AppKeySettingsResult FetchAppKeySettings(int port, CCardStatus& status, int aid, CtlText* statusWnd);

// The dialog's choice: the boxes 1 ticked, 0 clear, -1 undetermined.
struct AppKeySettingsChange {
    uint8_t changeKeyAccess = 0xFF; // 0xFF: none chosen
    int configChangeable = -1;
    int freeCreateDelete = -1;
    int freeDirectory = -1;
    int masterKeyChangeable = -1;
};

// "Einstellungen ändern". known: the settings last read (read again when
// they are of another application). confirmFreeze is asked before bit 3 goes
// from 1 to 0: after that nobody can change the settings again.
AppKeySettingsResult ChangeAppKeySettings(int port, CCardStatus& status, int aid, CtlText* statusWnd,
                                          const AppKeySettingsChange& change, const AppKeySettings& known,
                                          const std::function<bool()>& confirmFreeze);

} // namespace velmora
