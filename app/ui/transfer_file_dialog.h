// The file dialogs through which the file pages save data read from a card
// and load data to write: binary, or text as the page shows it. Tests put
// their own chooser in place of the native dialogs.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace velmora {

struct TransferFileChoice {
    QString path; // empty: cancelled
    bool text = false;
};

TransferFileChoice AskTransferFile(QWidget* parent, bool save);

using TransferFileChooser = std::function<TransferFileChoice(bool save)>;
// An empty chooser restores the file dialogs.
void SetTransferFileChooser(TransferFileChooser chooser);

} // namespace velmora
