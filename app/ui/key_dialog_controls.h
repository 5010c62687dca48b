// What the card and key dialogs share: three-state setting boxes, showing a
// sequence's result, and key fields that forget their keys.
#pragma once

#include "app/model/card_status.h"

#include <initializer_list>

class QCheckBox;
class QLineEdit;
class QWidget;

namespace velmora {

struct CardStepResult;

// 1 ticked, 0 clear, -1 undetermined.
int BoxState(const QCheckBox* box);
void SetBoxState(QCheckBox* box, int state);
// The program sets the box; clicks and keys leave it alone.
void MakeDisplayOnly(QCheckBox* box);

// The result's line, unless a step has written there already.
void ShowResult(QLineEdit* status, const CardStepResult& result);

// Empties key fields (and their undo history) when a dialog closes.
void ForgetKeys(std::initializer_list<QLineEdit*> fields);

// "Change the card master key to ... ?" with a warning: the key bytes and
// whether they become an AES or a DES key.
bool ConfirmNewCardMasterKey(QWidget* parent, const CCardStatus::Key& key, bool aes);

} // namespace velmora
