#include "app/model/key_text.h"

#include "app/model/hex_text.h"
#include "resources/string_ids.h"

#include <QStringList>

namespace velmora {

namespace {

bool AllHexDigits(const QString& token)
{
    for (QChar c : token)
        if (HexDigitValue(c) < 0) return false;
    return true;
}

} // namespace

int ParseKeyText(const QString& text, CCardStatus::Key* key)
{
    key->fill(0);
    const QStringList tokens = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int bytes = 0;
    for (const QString& token : tokens) {
        if (!AllHexDigits(token)) return kIdsKeyNotHex;
        // Between spaces every byte stands alone (a longer token would give
        // 0); a run without spaces is read in pairs, so an odd one would
        // leave a digit whose place nobody knows.
        if (token.size() > 2 && (tokens.size() > 1 || token.size() % 2 != 0)) return kIdsKeyNotHex;
        bytes += token.size() <= 2 ? 1 : static_cast<int>(token.size()) / 2;
        if (bytes > 16) return kIdsKeyNotHex;
    }
    // What is left is exactly what the conversion takes literally.
    HexToBytes(text, key->data(), 16);
    return 0;
}

int ParseByteText(const QString& text, uint8_t* value)
{
    *value = 0;
    const QString digits = text.trimmed();
    if (digits.size() > 2 || !AllHexDigits(digits)) return kIdsByteNotHex;
    *value = HexByteValue(digits);
    return 0;
}

int StrictKeyNumber(const QString& text)
{
    if (text.isEmpty()) return -1;
    int value = 0;
    for (QChar c : text) {
        if (c.unicode() < '0' || c.unicode() > '9') return -1;
        value = value * 10 + (c.unicode() - '0');
        if (value > 255) return -1; // stops before any overflow
    }
    return value;
}

void WipeKey(CCardStatus::Key& key)
{
    volatile uint8_t* p = key.data();
    for (size_t i = 0; i < key.size(); ++i) p[i] = 0;
}

} // namespace velmora
