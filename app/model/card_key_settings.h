// The key settings of the card level: read, changed, frozen for good, and
// the card master key turned into an AES key. Every step works at AID 0 and
// authenticates with the card master key when the card wants it.
#pragma once

#include "app/model/card_step.h"

namespace velmora {

class CCardStatus;
class CtlText;

struct CardKeySettingsResult : CardStepResult {
    // The settings nibble as read or written; -1 unknown.
    int settings = -1;
    // The dialog's boxes go back to "unknown" (a read failed for good).
    bool clearView = false;
    // Bit 3 (settings changeable) as now known: 1, 0, or -1 unknown.
    int configChangeable = -1;
};

// statusWnd receives what asking for the card master key has to say.
CardKeySettingsResult ReadCardKeySettings(int port, CCardStatus& status, CtlText* statusWnd);

// The boxes: 1 ticked, 0 clear, -1 undetermined. configChangeable is bit 3
// as last read (-1: not read yet, it is read first).
CardKeySettingsResult ChangeCardKeySettings(int port, CCardStatus& status, CtlText* statusWnd, int configChangeable,
                                            int masterKeyChangeable, int freeDirectory, int freeCreateDelete);

// Clears bit 3, keeping the other bits as the card has them. Confirmed by
// the caller: it cannot be undone.
CardKeySettingsResult FreezeCardKeySettings(int port, CCardStatus& status, CtlText* statusWnd);

// The card master key becomes an AES key with the bytes of the remembered
// card master key. Confirmed by the caller: it cannot be undone.
CardStepResult ConvertCardMasterKeyToAes(int port, CCardStatus& status, CtlText* statusWnd);

} // namespace velmora
