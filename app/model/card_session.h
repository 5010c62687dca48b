// Selecting applications and authenticating on demand: remembered keys
// first, the user (through the authentication dialogs) last. Every helper
// reports through its result and a message or status line; none throws.
#pragma once

#include "app/model/card_status.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace velmora {

class CtlText;

// Selects aid unless it is selected already. A failure goes to message, or
// into a message box when message is null.
// The last command found no card in the field.
bool CardGone(int port);
bool EnsureAppSelected(int port, CCardStatus& status, int aid, QString* message);

// Selects aid and authenticates keyNo with key, by the crypto method of the
// application (the card level tries ISO, then AES).
bool AuthenticateKey(int port, CCardStatus& status, int aid, int keyNo, const CCardStatus::Key& key,
                     bool forgetOnFailure, QString* message);

// aid/keyNo -1: any. ask: the user may be asked when no remembered key works.
bool EnsureAuthenticated(int port, CCardStatus& status, int aid, int keyNo, CtlText* statusWnd, bool ask);

// Asks the user for one of several keys of aid (no remembered keys tried).
bool AuthenticateOneOf(int port, CCardStatus& status, int aid, const std::vector<uint8_t>& keys, CtlText* statusWnd);

// Reads the card's application IDs into the model.
bool ReadAppIds(int port, CCardStatus& status, bool ask, QString* message);

// Settings of fileNo in the current application, authenticating when the
// card wants it.
bool ReadFileSettingsAuth(int port, CCardStatus& status, uint8_t fileNo, QByteArray* out, CtlText* statusWnd);

} // namespace velmora
