#include "app/model/hex_text.h"

namespace velmora {

namespace {

int DigitValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return 0;
}

QString WithoutLeadingSpaces(const QString& s)
{
    int i = 0;
    while (i < s.size() && s.at(i) == QLatin1Char(' ')) ++i;
    return s.mid(i);
}

} // namespace

QString ByteToHex(uint8_t b)
{
    return QString::asprintf("%02X", b);
}

QString WordToHex(uint16_t w)
{
    return ByteToHex(static_cast<uint8_t>(w >> 8)) + ByteToHex(static_cast<uint8_t>(w & 0xFF));
}

uint8_t HexByteValue(const QString& text)
{
    if (text.size() == 1) return static_cast<uint8_t>(DigitValue(text.at(0)));
    if (text.size() == 2) return static_cast<uint8_t>(DigitValue(text.at(0)) * 16 + DigitValue(text.at(1)));
    return 0;
}

uint32_t HexToNumber(const QString& text)
{
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    if (digits.size() % 2 != 0) digits.prepend(QLatin1Char('0'));
    uint32_t value = 0;
    int shift = 0;
    for (int end = digits.size(); end >= 2 && shift < 32; end -= 2, shift += 8)
        value |= static_cast<uint32_t>(HexByteValue(digits.mid(end - 2, 2))) << shift;
    return value;
}

QString BytesToHex(const uint8_t* bytes, int n, bool reversed, bool spaced)
{
    QString out;
    for (int i = 0; i < n; ++i) {
        out += ByteToHex(bytes[reversed ? n - 1 - i : i]);
        if (spaced) out += QLatin1Char(' ');
    }
    while (out.endsWith(QLatin1Char(' '))) out.chop(1);
    return out;
}

int HexToBytes(const QString& text, uint8_t* out, int max)
{
    if (text.contains(QLatin1String("Error"))) return 0;
    QString rest = WithoutLeadingSpaces(text);
    int count = 0;
    while (!rest.isEmpty() && count < max) {
        const int space = rest.indexOf(QLatin1Char(' '));
        if (space >= 0) {
            const QString token = rest.left(space);
            out[count++] = token.size() > 2 ? 0 : HexByteValue(token);
            rest = WithoutLeadingSpaces(rest.mid(space + 1));
        } else if (rest.size() <= 2) {
            out[count++] = HexByteValue(rest);
            break;
        } else {
            out[count++] = HexByteValue(rest.left(2));
            rest = rest.mid(2);
        }
    }
    return count;
}

QString AidToText(uint32_t aid)
{
    const uint8_t b[3] = {static_cast<uint8_t>(aid), static_cast<uint8_t>(aid >> 8), static_cast<uint8_t>(aid >> 16)};
    return BytesToHex(b, 3, true, false);
}

int HexDigitValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

} // namespace velmora
