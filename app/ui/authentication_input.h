// What the two authentication dialogs share: the key field's text as a
// key and the key store's "Laden".
#pragma once

#include "app/model/card_status.h"

#include <QString>

class QLineEdit;
class QWidget;

namespace velmora {

CCardStatus::Key KeyFromText(const QString& text);

// "Laden": a key from the key store into the key field.
void LoadFromKeyStore(QWidget* parent, QLineEdit* keyEdit, QLineEdit* status);

} // namespace velmora
