// The texts of the file read/write pages: card bytes shown as hexadecimal
// lines or characters, and the write fields turned back into bytes. Reading
// the write fields is strict: a character that is no hexadecimal digit, or
// more bytes than the record holds, is refused instead of reaching the card
// as some other byte.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace velmora {

// Offsets, lengths, record numbers and counts travel in 3-byte fields.
inline constexpr int64_t kMaxCardOffset = 0xFFFFFF;
// What one read keeps when the length is left 0 ("to the end").
inline constexpr int kDataReadCap = 10000;
// At most this many bytes are written from a field in one go.
inline constexpr int kDataWriteCap = 20000;
// Record reads with count 0 ("all").
inline constexpr int kRecordReadCap = 20000;

// "%02X " per byte, 16 bytes a line, lines joined by CR LF.
QString DataToHexText(const QByteArray& bytes);
// The bytes as Latin-1 characters up to the first zero byte.
QString DataToAsciiText(const QByteArray& bytes);

// Records of size bytes each; count 0: as many as the bytes hold. Hex lines
// hold 20 bytes with two extra blanks after the 10th; headers count from 0.
QString RecordsToText(const QByteArray& bytes, int count, int size, bool hex, bool headers);

// The bytes of a hexadecimal write field: pairs of digits, blanks, tabs and
// line breaks between bytes. False with a message for anything else.
bool ParseWriteHex(const QString& text, QByteArray* out, QString* message);

// The bytes of a write field in either format, at most cap of them (the
// length the user asked for). Text is written one Latin-1 byte a
// character; a character outside Latin-1 is refused.
bool WriteFieldBytes(const QString& text, bool hex, int64_t cap, QByteArray* out, QString* message);

// A whole record of size bytes, zero filled. Text with more bytes than the
// record holds is refused, not cut.
bool RecordFromText(const QString& text, bool hex, int size, QByteArray* out, QString* message);

// "%d", or eight upper-case digits of the 32-bit pattern.
QString ValueToText(int32_t value, bool hex);

// The field holds 0 to kMaxCardOffset (offsets, lengths, record starts and
// counts); false when it does not.
bool ParseCardNumber(const QString& text, uint32_t* value);
// Credit and debit amounts the card takes as positive 32-bit numbers.
bool ParseAmount(const QString& text, int32_t* value);

// Empty when offset + length fits a data file of fileSize bytes (fileSize
// < 0: unknown, then anything goes).
QString CheckDataRange(uint32_t offset, uint32_t length, int64_t fileSize);

} // namespace velmora
