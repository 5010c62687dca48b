#include "app/model/file_access_lists.h"

#include "app/model/controls.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <QString>

#include <algorithm>
#include <utility>
#include <vector>

namespace velmora {

namespace {

const QString kNone = QStringLiteral("--");

std::vector<std::pair<QString, uint8_t>> CommModes()
{
    return {{LoadStr(kIdsCommPlain), 0}, {LoadStr(kIdsCommMac), 1}, {LoadStr(kIdsCommEnciphered), 3}};
}

QString AccessText(int key)
{
    if (key == kAccessFree) return LoadStr(kIdsAccessFree);
    if (key == kAccessNever) return LoadStr(kIdsAccessNever);
    if (key == 0) return LoadStr(kIdsAccessMasterKey);
    return LoadStr(kIdsAccessKeyN).arg(key);
}

// Selects exactly text; false when the list has no such entry. The
// adapters select the first entry that begins with text; no entry begins
// with an earlier one ("Schlüssel 1" comes before "Schlüssel 10"), so that
// is the exact one when there is one.
bool SelectExactly(CtlCombo& combo, const QString& text)
{
    return combo.SelectString(text) && combo.Text() == text;
}

// "--" is added last: a list with more entries than its own gets them again.
void RemoveNone(CtlCombo& combo, const std::vector<QString>& entries)
{
    if (combo.Count() == static_cast<int>(entries.size())) return;
    combo.Clear();
    for (const QString& e : entries) combo.AddString(e);
}

void ShowValue(CtlCombo& combo, const std::vector<QString>& entries, const QString& text, bool known)
{
    if (!known) {
        if (!combo.SelectString(kNone)) {
            combo.AddString(kNone);
            combo.SelectString(kNone);
        }
        return;
    }
    RemoveNone(combo, entries);
    if (text.isEmpty() || !SelectExactly(combo, text)) combo.SetCurSel(-1);
}

std::vector<QString> AccessEntries(int keyCount)
{
    std::vector<QString> e{AccessText(kAccessFree), AccessText(kAccessNever)};
    for (int k = 0; k < std::min(keyCount, 14); ++k) e.push_back(AccessText(k));
    return e;
}

} // namespace

void FillCommModeCombo(CtlCombo& combo)
{
    combo.Clear();
    for (const auto& [text, value] : CommModes()) combo.AddString(text);
}

uint8_t GetCommModeComboValue(const CtlCombo& combo, uint8_t unmatched)
{
    const QString text = combo.Text();
    for (const auto& [entry, value] : CommModes())
        if (text == entry) return value;
    return unmatched;
}

void ShowCommModeComboValue(CtlCombo& combo, uint8_t value)
{
    std::vector<QString> entries;
    QString text;
    for (const auto& [entry, v] : CommModes()) {
        entries.push_back(entry);
        if (v == value) text = entry;
    }
    ShowValue(combo, entries, text, value != kUnknownSetting);
}

void FillAccessRightCombo(CtlCombo& combo, int keyCount)
{
    combo.Clear();
    for (const QString& e : AccessEntries(keyCount)) combo.AddString(e);
}

uint8_t GetAccessRightComboValue(const CtlCombo& combo, uint8_t unmatched)
{
    const QString text = combo.Text();
    for (int key = 0; key <= kAccessNever; ++key)
        if (text == AccessText(key)) return static_cast<uint8_t>(key);
    return unmatched;
}

void ShowAccessRightComboValue(CtlCombo& combo, int keyCount, uint8_t value)
{
    ShowValue(combo, AccessEntries(keyCount), value <= kAccessNever ? AccessText(value) : QString(),
              value != kUnknownSetting);
}

uint16_t AccessRightsWord(uint8_t read, uint8_t write, uint8_t readWrite, uint8_t change)
{
    return static_cast<uint16_t>((read & 0x0F) << 12 | (write & 0x0F) << 8 | (readWrite & 0x0F) << 4 | (change & 0x0F));
}

} // namespace velmora
