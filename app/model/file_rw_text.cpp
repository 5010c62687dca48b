#include "app/model/file_rw_text.h"

#include "app/model/hex_text.h"
#include "app/model/number_input.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <limits>

namespace velmora {

namespace {

QString HexByte(uint8_t b)
{
    return QStringLiteral("%1 ").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// The characters of a text field as the bytes written: one Latin-1 byte
// each. Anything else would go out as '?' and is refused.
bool TextBytes(const QString& text, QByteArray* out, QString* message)
{
    for (int i = 0; i < text.size(); ++i) {
        if (text[i].unicode() > 0xFF) {
            if (message) *message = LoadStr(kIdsNotOneByte).arg(i + 1);
            out->clear();
            return false;
        }
    }
    *out = text.toLatin1();
    return true;
}

} // namespace

QString DataToHexText(const QByteArray& bytes)
{
    QString text;
    for (int i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % 16 == 0) text += QStringLiteral("\r\n");
        text += HexByte(static_cast<uint8_t>(bytes[i]));
    }
    return text;
}

QString DataToAsciiText(const QByteArray& bytes)
{
    const int end = bytes.indexOf('\0');
    return QString::fromLatin1(end < 0 ? bytes : bytes.left(end));
}

QString RecordsToText(const QByteArray& bytes, int count, int size, bool hex, bool headers)
{
    if (size <= 0) return {};
    if (count <= 0) count = bytes.size() / size;
    QString text;
    for (int r = 0; r < count; ++r) {
        const int64_t start = int64_t(r) * size;
        if (headers) text += QStringLiteral("Record %1:\r\n").arg(r);
        if (hex) {
            const int64_t end = std::min<int64_t>(start + size, bytes.size());
            for (int64_t i = start; i < end;) {
                const int64_t lineEnd = std::min<int64_t>(i + 20, end);
                for (int n = 0; i < lineEnd; ++i, ++n) {
                    text += HexByte(static_cast<uint8_t>(bytes[int(i)]));
                    if (n == 9 && i + 1 < lineEnd) text += QStringLiteral("  ");
                }
                text += QStringLiteral("\r\n");
            }
        } else if (start + size <= bytes.size()) {
            text += DataToAsciiText(bytes.mid(int(start), size)) + QStringLiteral("\r\n");
        }
    }
    return text;
}

bool ParseWriteHex(const QString& text, QByteArray* out, QString* message)
{
    out->clear();
    int i = 0;
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            ++i;
            continue;
        }
        const int high = HexDigitValue(text[i]);
        const int low = i + 1 < text.size() ? HexDigitValue(text[i + 1]) : -1;
        if (high < 0 || low < 0) {
            const int bad = high < 0 ? i : i + 1;
            if (message) {
                *message = LoadStr(kIdsWriteHexInvalid).arg(bad < text.size() ? bad + 1 : text.size());
            }
            out->clear();
            return false;
        }
        out->append(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return true;
}

bool WriteFieldBytes(const QString& text, bool hex, int64_t cap, QByteArray* out, QString* message)
{
    if (!(hex ? ParseWriteHex(text, out, message) : TextBytes(text, out, message))) return false;
    if (out->size() > cap) out->truncate(static_cast<int>(cap));
    return true;
}

bool RecordFromText(const QString& text, bool hex, int size, QByteArray* out, QString* message)
{
    out->clear();
    if (size <= 0) {
        if (message) *message = LoadStr(kIdsRecordSizeUnknown);
        return false;
    }
    QByteArray bytes;
    if (!(hex ? ParseWriteHex(text, &bytes, message) : TextBytes(text, &bytes, message))) return false;
    if (bytes.size() > size) {
        if (message) *message = LoadStr(kIdsRecordTextTooLong).arg(bytes.size()).arg(size);
        return false;
    }
    *out = bytes;
    out->append(QByteArray(size - bytes.size(), '\0'));
    return true;
}

QString ValueToText(int32_t value, bool hex)
{
    if (!hex) return QString::number(value);
    return QStringLiteral("%1").arg(static_cast<uint32_t>(value), 8, 16, QLatin1Char('0')).toUpper();
}

bool ParseCardNumber(const QString& text, uint32_t* value)
{
    const ParsedNumber n = ParseInteger(text, 0, kMaxCardOffset);
    if (!n.Ok()) return false;
    *value = static_cast<uint32_t>(n.value);
    return true;
}

bool ParseAmount(const QString& text, int32_t* value)
{
    const ParsedNumber n = ParseInteger(text, 0, std::numeric_limits<int32_t>::max());
    if (!n.Ok()) return false;
    *value = static_cast<int32_t>(n.value);
    return true;
}

QString CheckDataRange(uint32_t offset, uint32_t length, int64_t fileSize)
{
    if (fileSize < 0) return {};
    if (int64_t(offset) + int64_t(length) > fileSize || (length == 0 && int64_t(offset) >= fileSize && fileSize > 0)) {
        return LoadStr(kIdsDataBeyondFile).arg(fileSize);
    }
    return {};
}

} // namespace velmora
