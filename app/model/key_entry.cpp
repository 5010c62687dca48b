#include "app/model/key_entry.h"

#include "app/model/hex_text.h"
#include "app/settings/key_store.h"

#include <algorithm>

namespace velmora {

namespace {

bool IsHexText(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        const ushort u = c.unicode();
        return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f') || u == ' ';
    });
}

} // namespace

int ParseKeyEntry(const QString& nameText, const QString& valueText, QString* name, QString* storedValue)
{
    *name = KeyStoreName(nameText);
    if (name->isEmpty()) return 167;
    if (!IsHexText(valueText)) return 176;
    uint8_t key[16] = {};
    HexToBytes(valueText, key, 16);
    *storedValue = BytesToHex(key, 16, false, false);
    return 0;
}

} // namespace velmora
