// The main window's card-level actions that need an authentication first:
// reading the real UID, reading the free memory and formatting the card.
// The window asks its questions and shows the result.
#pragma once

#include <QString>

namespace velmora {

class CCardStatus;
class CtlText;

struct CardActionResult {
    bool ok = false;
    // What the action's field shows: the UID or the free bytes, "--" when
    // it failed (unused by FormatCard).
    QString value;
    // The card was asked: statusLine holds the result line. Otherwise the
    // authentication step has already written into the status window.
    bool sent = false;
    QString statusLine;
};

CardActionResult ReadCardUid(int port, CCardStatus& status, CtlText* statusWnd);
CardActionResult ReadFreeMemory(int port, CCardStatus& status);
// Asks for the card master key when no remembered key authenticates.
CardActionResult FormatCard(int port, CCardStatus& status, CtlText* statusWnd);

} // namespace velmora
