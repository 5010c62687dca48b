// The operations of the file read/write pages on the card, each through the
// frame's attempt loop: data reads and writes, the value operations and the
// record operations, with the commit the card needs after backup, value and
// record changes. Results carry what the page shows; the frame's status
// line carries the outcome.
#pragma once

#include "app/model/file_rw_frame.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

namespace velmora {

struct FileRwResult {
    bool ok = false;
    QByteArray bytes; // what was read
    QString text;     // value text, or "Keine Records"
};

// length 0: from offset to the end of the file, at most kDataReadCap bytes.
FileRwResult ReadFileData(CFileRwFrame& frame, uint32_t offset, uint32_t length);
// Exactly the given bytes at offset; a backup file is committed.
FileRwResult WriteFileData(CFileRwFrame& frame, uint32_t offset, const QByteArray& bytes);

// The value as "%d" or eight hex digits.
FileRwResult GetFileValue(CFileRwFrame& frame, bool hex);
// op: Credit, LimitedCredit or Debit. Committed at once; the value is read
// again afterwards. A failed commit is reported and never retried.
FileRwResult ChangeFileValue(CFileRwFrame& frame, FileOp op, int32_t amount, bool hex);

// count 0: all records from start (at most kRecordReadCap bytes).
FileRwResult ReadFileRecords(CFileRwFrame& frame, uint32_t start, uint32_t count);
// record: exactly the record size (RecordFromText); committed.
FileRwResult WriteFileRecord(CFileRwFrame& frame, const QByteArray& record);
// The record of a write field: the text becomes a record (RecordFromText)
// once the file's record size is known, which may take the attempt's own
// settings read; a text the record cannot hold is refused before any write.
FileRwResult WriteFileRecordText(CFileRwFrame& frame, const QString& text, bool hex);
// confirm names the file and may refuse; committed.
FileRwResult ClearFileRecords(CFileRwFrame& frame, const std::function<bool(uint8_t fileNo)>& confirm);

} // namespace velmora
