// Creating and deleting applications: the card sequences behind the
// application dialogs, with the authentications the card level asks for.
// The dialog checks the input first (CheckNewApplication) and shows what
// the sequence leaves in the status line.
#pragma once

#include <cstdint>

namespace velmora {

class CCardStatus;
class CtlText;

struct NewApplication {
    uint32_t aid = 1;
    int keyCount = 1;
    bool aes = false;
    uint8_t changeKey = 0x0E; // ChangeKey access right, upper nibble of the key settings
    uint8_t settings = 0x0F;  // the lower nibble: bits 0-3 of the key settings
};

// 0, or the string-table id of what is wrong (too many keys, a change key
// the application will not have).
int CheckNewApplication(const NewApplication& app);

struct ApplicationActionResult {
    bool ok = false; // created or deleted
};

// Selects the card level, authenticates with the card master key where the
// card's settings want it and creates the application. Every outcome is
// written to statusWnd.
ApplicationActionResult CreateApplication(int port, CCardStatus& status, const NewApplication& app, CtlText& statusWnd);

// Tries the keys that may delete aid, in the order the card's settings make
// likely, then deletes it; the model forgets everything of aid.
ApplicationActionResult DeleteApplication(int port, CCardStatus& status, uint32_t aid, CtlText& statusWnd);

} // namespace velmora
