#include "app/model/file_rw_actions.h"

#include "app/model/controls.h"
#include "app/model/file_rw_text.h"
#include "app/model/ui_strings.h"
#include "kavex.h"
#include "resources/string_ids.h"

#include <vector>

namespace velmora {

namespace {

// More than a card's whole memory is never read in one go.
constexpr int64_t kMaxRecordRead = 1 << 20;

const unsigned char* Data(const QByteArray& bytes)
{
    return reinterpret_cast<const unsigned char*>(bytes.constData());
}

} // namespace

FileRwResult ReadFileData(CFileRwFrame& frame, uint32_t offset, uint32_t length)
{
    FileRwResult result;
    frame.StatusLine().SetText(QString());
    bool refused = false;
    const int64_t capacity = length == 0 ? kDataReadCap : length;
    std::vector<unsigned char> buffer(static_cast<size_t>(capacity));
    result.ok = frame.Attempt(FileKind::Data, kRightRead | kRightReadWrite, FileOp::Read, LoadStr(kIdsReading),
                              [&](uint8_t mode) {
                                  const QString range = CheckDataRange(offset, length, frame.Known().fileSize);
                                  if (!range.isEmpty()) {
                                      frame.StatusLine().SetText(range);
                                      refused = true;
                                      return 0;
                                  }
                                  const int n = Kavex_DFReadData(frame.Port(), frame.FileNo(), mode, offset, length,
                                                                 buffer.data(), static_cast<int>(capacity));
                                  if (n >= 0) {
                                      result.bytes = QByteArray(reinterpret_cast<const char*>(buffer.data()),
                                                                std::min<int>(n, static_cast<int>(capacity)));
                                  }
                                  return n;
                              });
    result.ok = result.ok && !refused;
    frame.FinalStatus();
    return result;
}

FileRwResult WriteFileData(CFileRwFrame& frame, uint32_t offset, const QByteArray& bytes)
{
    FileRwResult result;
    frame.StatusLine().SetText(QString());
    if (bytes.isEmpty()) {
        frame.StatusLine().SetText(LoadStr(kIdsNoDataToWrite));
        return result;
    }
    bool refused = false;
    result.ok = frame.Attempt(
        FileKind::Data, kRightWrite | kRightReadWrite, FileOp::Write, LoadStr(kIdsWriting), [&](uint8_t mode) {
            const QString range = CheckDataRange(offset, static_cast<uint32_t>(bytes.size()), frame.Known().fileSize);
            if (!range.isEmpty()) {
                frame.StatusLine().SetText(range);
                refused = true;
                return 0;
            }
            return Kavex_DFWriteData(frame.Port(), frame.FileNo(), mode, offset, Data(bytes), bytes.size());
        });
    frame.FinalStatus();
    result.ok = result.ok && !refused;
    if (result.ok && frame.Known().type == 1) result.ok = frame.Commit();
    return result;
}

namespace {

// The get-value step: its own access check unless the file lets anyone read
// the value.
bool GetValueStep(CFileRwFrame& frame, bool hex, QString* text, int* result)
{
    const KnownFileSettings& s = frame.Known();
    int value = 0;
    const uint8_t mode = CommModeFor(FileOp::GetValue, s, frame.Status(), frame.Aid());
    *result = Kavex_DFGetValue(frame.Port(), frame.FileNo(), mode, &value);
    if (*result < 0) {
        text->clear();
        frame.Status().ResetAuth();
        return false;
    }
    *text = ValueToText(value, hex);
    return true;
}

} // namespace

FileRwResult GetFileValue(CFileRwFrame& frame, bool hex)
{
    FileRwResult result;
    frame.StatusLine().SetText(QString());
    result.ok =
        frame.Attempt(FileKind::Value, kRightRead | kRightWrite | kRightReadWrite, FileOp::GetValue, {}, [&](uint8_t) {
            int n = 0;
            GetValueStep(frame, hex, &result.text, &n);
            return n;
        });
    frame.FinalStatus();
    return result;
}

FileRwResult ChangeFileValue(CFileRwFrame& frame, FileOp op, int32_t amount, bool hex)
{
    FileRwResult result;
    frame.StatusLine().SetText(QString());
    const int rights = op == FileOp::Credit          ? kRightReadWrite
                       : op == FileOp::LimitedCredit ? kRightWrite | kRightReadWrite
                                                     : kRightRead | kRightWrite | kRightReadWrite;
    const bool ok = frame.Attempt(FileKind::Value, rights, op, {}, [&](uint8_t mode) {
        switch (op) {
        case FileOp::Credit: return Kavex_DFCredit(frame.Port(), frame.FileNo(), mode, amount);
        case FileOp::LimitedCredit: return Kavex_DFLimitedCredit(frame.Port(), frame.FileNo(), mode, amount);
        default: return Kavex_DFDebit(frame.Port(), frame.FileNo(), mode, amount);
        }
    });
    frame.FinalStatus();
    // The commit decides; its failure replaces the text of the operation.
    if (!ok || !frame.Commit()) return result;
    result.ok = true;
    const bool fromCard = !frame.Known().assumed;
    if (fromCard && (op == FileOp::LimitedCredit || (op == FileOp::Debit && frame.Known().limitedCredit))) {
        frame.ReadSettings(true);
    }
    int n = 0;
    GetValueStep(frame, hex, &result.text, &n);
    return result;
}

FileRwResult ReadFileRecords(CFileRwFrame& frame, uint32_t start, uint32_t count)
{
    FileRwResult result;
    frame.StatusLine().SetText(QString());
    bool none = false, refused = false;
    result.ok = frame.Attempt(FileKind::Record, kRightRead | kRightReadWrite, FileOp::Read, LoadStr(kIdsReading),
                              [&](uint8_t mode) {
                                  const KnownFileSettings& s = frame.Known();
                                  if (s.currentRecords == 0 && !s.assumed) {
                                      none = true;
                                      return 0;
                                  }
                                  const int64_t capacity = count == 0 ? kRecordReadCap : int64_t(s.recordSize) * count;
                                  if (s.recordSize <= 0) {
                                      frame.StatusLine().SetText(LoadStr(kIdsRecordSizeUnknown));
                                      refused = true;
                                      return 0;
                                  }
                                  // Count x size may reach 2^48; no card holds that much.
                                  if (capacity > kMaxRecordRead) {
                                      frame.StatusLine().SetText(LoadStr(kIdsTooMuchAtOnce).arg(kMaxRecordRead));
                                      refused = true;
                                      return 0;
                                  }
                                  std::vector<unsigned char> buffer(static_cast<size_t>(capacity));
                                  const int n = Kavex_DFReadRecords(frame.Port(), frame.FileNo(), mode, start, count,
                                                                    static_cast<unsigned>(s.recordSize), buffer.data(),
                                                                    static_cast<int>(capacity));
                                  if (n >= 0) {
                                      result.bytes = QByteArray(reinterpret_cast<const char*>(buffer.data()),
                                                                std::min<int>(n, static_cast<int>(capacity)));
                                  }
                                  return n;
                              });
    result.ok = result.ok && !refused;
    if (none) result.text = LoadStr(kIdsNoRecords);
    frame.FinalStatus();
    return result;
}

namespace {

// make gives the record once the settings are known, or an empty array
// after putting its refusal into the status line.
FileRwResult WriteRecordWith(CFileRwFrame& frame, const std::function<QByteArray()>& make)
{
    FileRwResult result;
    frame.StatusLine().SetText(QString());
    bool refused = false;
    const bool ok = frame.Attempt(
        FileKind::Record, kRightWrite | kRightReadWrite, FileOp::Write, LoadStr(kIdsWriting), [&](uint8_t mode) {
            const QByteArray record = make();
            if (record.isEmpty()) {
                refused = true;
                return 0;
            }
            return Kavex_DFWriteRecord(frame.Port(), frame.FileNo(), mode, 0, Data(record), record.size());
        });
    frame.FinalStatus();
    if (ok && !refused && frame.Commit()) {
        result.ok = true;
        if (!frame.Known().assumed) frame.ReadSettings(true);
    }
    return result;
}

} // namespace

FileRwResult WriteFileRecord(CFileRwFrame& frame, const QByteArray& record)
{
    return WriteRecordWith(frame, [&frame, &record] {
        if (record.size() == frame.Known().recordSize) return record;
        frame.StatusLine().SetText(LoadStr(kIdsRecordSizeUnknown));
        return QByteArray();
    });
}

FileRwResult WriteFileRecordText(CFileRwFrame& frame, const QString& text, bool hex)
{
    return WriteRecordWith(frame, [&frame, &text, hex] {
        QByteArray record;
        QString message;
        if (RecordFromText(text, hex, frame.Known().recordSize, &record, &message)) return record;
        frame.StatusLine().SetText(message);
        return QByteArray();
    });
}

FileRwResult ClearFileRecords(CFileRwFrame& frame, const std::function<bool(uint8_t fileNo)>& confirm)
{
    FileRwResult result;
    frame.StatusLine().SetText(QString());
    if (confirm && !confirm(frame.FileNo())) {
        frame.StatusLine().SetText(LoadStr(kIdsCancelled));
        return result;
    }
    const bool ok = frame.Attempt(FileKind::Record, kRightReadWrite, FileOp::ClearRecords, {},
                                  [&](uint8_t) { return Kavex_DFClearRecordFile(frame.Port(), frame.FileNo()); });
    frame.FinalStatus();
    if (ok && frame.Commit()) {
        result.ok = true;
        if (!frame.Known().assumed) frame.ReadSettings(true);
    }
    return result;
}

} // namespace velmora
