#include "app/model/change_key_combo.h"

#include "app/model/controls.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <QString>

#include <utility>
#include <vector>

namespace velmora {

namespace {

std::vector<std::pair<int, uint8_t>> Entries(bool withNone)
{
    std::vector<std::pair<int, uint8_t>> e;
    if (withNone) e.emplace_back(kIdsNone, 0xFF);
    e.emplace_back(kIdsChangeKeySame, 0x0E);
    e.emplace_back(kIdsChangeKeyFrozen, 0x0F);
    e.emplace_back(kIdsChangeKeyMaster, 0x00);
    for (int n = 1; n <= 13; ++n) e.emplace_back(kIdsChangeKeyNumber1 - 1 + n, static_cast<uint8_t>(n));
    return e;
}

} // namespace

void FillChangeKeyCombo(CtlCombo& combo, bool withNone)
{
    combo.Clear();
    const auto entries = Entries(withNone);
    for (const auto& entry : entries) combo.AddString(LoadStr(entry.first));
    combo.SelectString(LoadStr(entries.front().first));
}

uint8_t GetChangeKeyComboValue(const CtlCombo& combo)
{
    const QString text = combo.Text();
    for (const auto& [id, value] : Entries(true))
        if (text == LoadStr(id)) return value;
    return 0;
}

void SelectChangeKeyComboValue(CtlCombo& combo, uint8_t value)
{
    for (const auto& [id, v] : Entries(true)) {
        if (v == value && combo.SelectString(LoadStr(id))) return;
    }
    combo.SetCurSel(0);
}

} // namespace velmora
