// Key and version texts as the key dialogs take them before they are written
// to a card. HexToBytes and HexByteValue never fail: they turn a typing
// mistake into some other byte. A key written with such a byte is a key
// nobody knows, so these checks refuse every text the conversion would not
// take literally.
#pragma once

#include "app/model/card_status.h"

#include <QString>

#include <cstdint>

namespace velmora {

// A key text: bytes of one or two hexadecimal digits between spaces, or one
// run of an even number of digits; at most 16 bytes. Empty is sixteen
// zeros, shorter keys are padded with zeros. Returns 0 and the key, or the
// string-table id of the problem (176); key is all zero then.
int ParseKeyText(const QString& text, CCardStatus::Key* key);

// A key version or a single byte: zero to two hexadecimal digits, spaces
// around them allowed; empty is 0. Returns 0 and the byte, or the id of the
// problem.
int ParseByteText(const QString& text, uint8_t* value);

// The whole decimal value of a key number text, or -1 when it is empty, not
// decimal or above 255 (no wrap-around: "256" is not key 0).
int StrictKeyNumber(const QString& text);

// Overwrites key bytes that are no longer needed.
void WipeKey(CCardStatus::Key& key);

} // namespace velmora
