// The combo that chooses which key may change keys (the ChangeKey access
// rights of an application or the card).
#pragma once

#include <cstdint>

namespace velmora {

class CtlCombo;

// "--" (0xFF, only withNone), "gleichem Schlüssel" (0x0E), "Schlüssel ab 1
// sind unveränderlich" (0x0F), key 0 and keys 1 to 13.
void FillChangeKeyCombo(CtlCombo& combo, bool withNone);
// An unknown text gives 0.
uint8_t GetChangeKeyComboValue(const CtlCombo& combo);
// A value without entry selects the first entry.
void SelectChangeKeyComboValue(CtlCombo& combo, uint8_t value);

} // namespace velmora
