// Changing key values: the card master key, and the keys of an application
// with the key that the application's change key access names. Key texts
// are checked before anything goes to the card: a changed key that nobody
// typed is a key nobody knows.
#pragma once

#include "app/model/card_status.h"
#include "app/model/card_step.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace velmora {

class CtlText;

// Asked with the new key's bytes and whether it becomes an AES key, after
// the authentication (which fixes the key type) and before ChangeKey.
using ConfirmNewKey = std::function<bool(const CCardStatus::Key& key, bool aes)>;

// The card master key (key 0 at the card level) gets the typed value; it
// keeps the type of the current authentication.
CardStepResult ChangeCardMasterKey(int port, CCardStatus& status, CtlText* statusWnd, const QString& keyText,
                                   const QString& versionText, const ConfirmNewKey& confirm);

struct AppKeyChange {
    int aid = 0;
    bool masterKeyMode = true;
    QString keyNoText;              // key number mode: decimal
    uint8_t changeKeyAccess = 0xFF; // key number mode: the access chosen, 0xFF none
    QString newKeyText;
    QString oldKeyText;
    QString versionText;
    int keyCount = -1; // as last read for aid; -1 unknown
};

// The application's key: authenticates with the key that may change it and
// passes the old value when that is another key.
CardStepResult ChangeAppKey(int port, CCardStatus& status, CtlText* statusWnd, const AppKeyChange& change);

struct KeyVersionResult : CardStepResult {
    QString version; // lower-case hex, "--" when not read
};

// The version of keyNo in aid (selected first).
KeyVersionResult ReadKeyVersion(int port, CCardStatus& status, int aid, int keyNo);

} // namespace velmora
