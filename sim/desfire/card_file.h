// The card file: a simulated DESFire card's whole non-volatile memory as
// JSON (format in CARD_FILE.md), so that a card keeps its applications,
// keys and data from one run of the simulator to the next.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "sim/desfire/card_state.h"
#include "sim/desfire/desfire_card.h"

namespace kavex::sim::desfire {

// Loads the card kept in `path` and binds it to that file: from then on
// every change the card makes to its memory is written back at once. A
// missing file gives a factory card made from `options` that writes the
// file on its first change. A file that cannot be read or is not a valid
// card file gives null and a message in *error; the file is left alone.
std::unique_ptr<DesfireCard> LoadCardFile(const std::string& path, std::string* error, DesfireCardOptions options = {});

// The card file text for `state`. Session state and uncommitted
// transaction data are not part of it.
std::string CardFileText(const CardState& state);

// Reads card file text into *state; false with a message naming the
// offending entry otherwise (*state is then unspecified).
bool ParseCardFile(const std::string& text, CardState* state, std::string* error);

// Replaces `path` by `contents` so that the file is either the old or the
// new contents, whenever the program or the system stops: a temporary file
// in the same directory is written and synced, then renamed over `path`.
bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string* error);

// For tests: runs after the temporary file is complete and synced and
// before the rename. Returning false makes the save fail at that point.
using SaveHook = std::function<bool(const std::string& tempPath)>;
void SetSaveHookForTesting(SaveHook hook);

} // namespace kavex::sim::desfire
