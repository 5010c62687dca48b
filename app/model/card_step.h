// What a card dialog learns from one of its sequences in app/model/.
#pragma once

#include <QString>

namespace velmora {

struct CardStepResult {
    bool ok = false;
    // The line for the dialog's status line; null when a step (asking for a
    // key) has already written there and the line is to stay as it is.
    QString statusLine;
};

} // namespace velmora
