// Strict reading of the numbers typed into the card dialogs (application
// IDs, file numbers, sizes, limits): the whole text is the number, its value
// is judged in full and never wraps, so a typing error cannot reach the card
// as another number.
#pragma once

#include <QString>

#include <cstdint>

namespace velmora {

struct ParsedNumber {
    enum class Status { Ok, Empty, NotNumber, OutOfRange };
    Status status = Status::Empty;
    int64_t value = 0;

    bool Ok() const { return status == Status::Ok; }
};

// A decimal integer with an optional sign and blanks around it; anything
// else after the digits ("1O0") is refused. The value must lie in [min, max].
ParsedNumber ParseInteger(const QString& text, int64_t min, int64_t max);

// Only the digits 0-9 ("+1", " 1" are not a file number); the whole value
// counts ("257" is not file 1).
ParsedNumber ParseDigits(const QString& text, int64_t max);

// An application ID: hexadecimal digits, blanks anywhere ignored, at most
// six significant digits ("1000ABCDE" is too long, not AID 0ABCDE).
ParsedNumber ParseAid(const QString& text);

// Sizes and counts go into 3-byte fields of the card.
inline constexpr int64_t kMaxCardSize = 0xFFFFFF;

} // namespace velmora
