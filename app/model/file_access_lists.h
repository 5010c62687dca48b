// The lists in which a file's communication mode and its four access
// conditions are chosen, and the access-rights word built from them. Every
// file dialog uses them, on the adapters of its combos.
#pragma once

#include <cstdint>

namespace velmora {

class CtlCombo;

// "Unverschlüsselt" (0), "Unverschlüsselt mit MAC" (1), "Voll verschlüsselt" (3).
void FillCommModeCombo(CtlCombo& combo);
// The value of the chosen entry; unmatched: 0 for the create dialog,
// kUnknownSetting where an unfilled list must not pass for "plain".
uint8_t GetCommModeComboValue(const CtlCombo& combo, uint8_t unmatched = 0);
// kUnknownSetting shows "--"; a value without entry selects nothing.
void ShowCommModeComboValue(CtlCombo& combo, uint8_t value);

// "immer" (14), "nie" (15), then one entry per key 0 to keyCount-1 (at
// most 14 keys).
void FillAccessRightCombo(CtlCombo& combo, int keyCount);
uint8_t GetAccessRightComboValue(const CtlCombo& combo, uint8_t unmatched = 0);
// keyCount: the one the list was filled for. A key the list does not hold
// selects nothing.
void ShowAccessRightComboValue(CtlCombo& combo, int keyCount, uint8_t value);

inline constexpr uint8_t kUnknownSetting = 0xFF;
inline constexpr uint8_t kAccessFree = 14;
inline constexpr uint8_t kAccessNever = 15;

// read × 4096 + write × 256 + read/write × 16 + change.
uint16_t AccessRightsWord(uint8_t read, uint8_t write, uint8_t readWrite, uint8_t change);

// The conditions of a file as one record.
struct AccessConditions {
    uint8_t read = kAccessFree;
    uint8_t write = kAccessFree;
    uint8_t readWrite = kAccessFree;
    uint8_t change = kAccessFree;

    uint16_t Word() const { return AccessRightsWord(read, write, readWrite, change); }
};

} // namespace velmora
