#include "app/model/number_input.h"

#include "app/model/hex_text.h"

#include <limits>

namespace velmora {

namespace {

bool IsDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

ParsedNumber Result(ParsedNumber::Status status, int64_t value = 0)
{
    ParsedNumber n;
    n.status = status;
    n.value = value;
    return n;
}

// Digits from begin to end as a value that stops growing once it passes
// limit, so that no input overflows; -1 when it does not fit 64 bits.
int64_t DigitsValue(const QString& text, int begin, int end, int64_t limit)
{
    constexpr int64_t kLargest = std::numeric_limits<int64_t>::max();
    int64_t value = 0;
    for (int i = begin; i < end && value <= limit; ++i) {
        if (value > (kLargest - 9) / 10) return -1;
        value = value * 10 + (text.at(i).unicode() - '0');
    }
    return value;
}

} // namespace

ParsedNumber ParseInteger(const QString& text, int64_t min, int64_t max)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return Result(ParsedNumber::Status::Empty);
    int i = 0;
    const bool negative = t.at(0) == QLatin1Char('-');
    if (negative || t.at(0) == QLatin1Char('+')) ++i;
    const int first = i;
    while (i < t.size() && IsDigit(t.at(i))) ++i;
    if (i == first || i != t.size()) return Result(ParsedNumber::Status::NotNumber);
    const int64_t limit = negative ? -min : max;
    const int64_t magnitude = DigitsValue(t, first, i, limit < 0 ? 0 : limit);
    if (magnitude < 0) return Result(ParsedNumber::Status::OutOfRange);
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < min || value > max) return Result(ParsedNumber::Status::OutOfRange, value);
    return Result(ParsedNumber::Status::Ok, value);
}

ParsedNumber ParseDigits(const QString& text, int64_t max)
{
    if (text.isEmpty()) return Result(ParsedNumber::Status::Empty);
    for (QChar c : text)
        if (!IsDigit(c)) return Result(ParsedNumber::Status::NotNumber);
    const int64_t value = DigitsValue(text, 0, text.size(), max);
    if (value < 0 || value > max) return Result(ParsedNumber::Status::OutOfRange, value);
    return Result(ParsedNumber::Status::Ok, value);
}

ParsedNumber ParseAid(const QString& text)
{
    if (text.isEmpty()) return Result(ParsedNumber::Status::Empty);
    int64_t value = 0;
    int significant = 0;
    for (QChar c : text) {
        if (c == QLatin1Char(' ')) continue;
        const int digit = HexDigitValue(c);
        if (digit < 0) return Result(ParsedNumber::Status::NotNumber);
        if (significant > 0 || digit != 0) ++significant;
        if (significant <= 6) value = value * 16 + digit;
    }
    if (significant > 6) return Result(ParsedNumber::Status::OutOfRange, value);
    return Result(ParsedNumber::Status::Ok, value);
}

} // namespace velmora
