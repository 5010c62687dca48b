// What the two authentication dialogs share: the key field's text as a
// key, the key store's "Laden", and the check for a card that left the field.
#pragma once

#include "app/model/card_status.h"

#include <QString>

class QLineEdit;
class QWidget;

namespace velmora {

// Status 21 on the port: the card is gone, the dialog has nothing to do.
bool CardGone(int port);

CCardStatus::Key KeyFromText(const QString& text);

// "Laden": a key from the key store into the key field.
void LoadFromKeyStore(QWidget* parent, QLineEdit* keyEdit, QLineEdit* status);

} // namespace velmora
