// Reading and writing the contents of files: data files, value files,
// record files, and the transaction that backup, value and record files
// take part in.
#include <algorithm>
#include <memory>

#include "sim/desfire/file_access.h"

namespace kavex::sim::desfire {
namespace {

constexpr uint8_t kReadData = 0xBD;
constexpr uint8_t kWriteData = 0x3D;
constexpr uint8_t kGetValue = 0x6C;
constexpr uint8_t kCredit = 0x0C;
constexpr uint8_t kDebit = 0xDC;
constexpr uint8_t kLimitedCredit = 0x1C;
constexpr uint8_t kWriteRecord = 0x3B;
constexpr uint8_t kReadRecords = 0xBB;
constexpr uint8_t kClearRecordFile = 0xEB;
constexpr uint8_t kCommitTransaction = 0xC7;
constexpr uint8_t kAbortTransaction = 0xA7;

// Command byte, file number, 3-byte offset, 3-byte length.
constexpr size_t kTransferHeader = 8;

// A write that may come in several frames: the card answers 0xAF until
// all the protected data has arrived, then checks and applies it.
struct IncomingWrite {
    uint8_t fileNo = 0;
    CommMode mode = CommMode::Plain;
    size_t plainLen = 0;
    size_t expected = 0;      // whole message: header and protected data
    std::vector<uint8_t> msg; // command byte, header, data of all frames
    std::function<Reply(DesfireFile&, const std::vector<uint8_t>&)> apply;
};

Reply Receive(CommandContext& ctx, const std::shared_ptr<IncomingWrite>& in)
{
    if (in->msg.size() > in->expected) return Reply::Error(status::kLengthError);
    if (in->msg.size() < in->expected) {
        ctx.ExpectMore([in](CommandContext& next, const std::vector<uint8_t>& frame) {
            in->msg.insert(in->msg.end(), frame.begin() + 1, frame.end());
            return Receive(next, in);
        });
        return Reply::Unprotected(status::kAdditionalFrame, {});
    }
    std::vector<uint8_t> data;
    const uint8_t st = UnwrapCommandData(ctx.session, in->mode, in->msg, kTransferHeader, in->plainLen, &data);
    if (st != status::kOk) return Reply::Error(st);
    FileRef ref = FindFile(ctx, in->fileNo);
    if (!ref.file) return Reply::Error(ref.status);
    return in->apply(*ref.file, data);
}

Reply StartWrite(CommandContext& ctx, const std::vector<uint8_t>& cmd, CommMode mode, uint32_t length,
                 std::function<Reply(DesfireFile&, const std::vector<uint8_t>&)> apply)
{
    auto in = std::make_shared<IncomingWrite>();
    in->fileNo = cmd[1];
    in->mode = mode;
    in->plainLen = length;
    in->expected = kTransferHeader + ProtectedLength(ctx.session, mode, length);
    in->msg = cmd;
    in->apply = std::move(apply);
    return Receive(ctx, in);
}

Reply WriteData(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() < kTransferHeader) return Reply::Error(status::kLengthError);
    FileRef ref = FindFile(ctx, cmd[1]);
    if (!ref.file) return Reply::Error(ref.status);
    if (!ref.file->IsDataFile()) return Reply::Error(status::kParameterError);
    const FileAccess access = CheckFileAccess(ctx, *ref.file, {Right::Write, Right::ReadWrite});
    if (access.status != status::kOk) return Reply::Error(access.status);
    const uint32_t offset = Le24(cmd.data() + 2);
    const uint32_t length = Le24(cmd.data() + 5);
    if (offset >= ref.file->size || length > ref.file->size - offset) return Reply::Error(status::kBoundaryError);
    return StartWrite(ctx, cmd, access.mode, length, [offset](DesfireFile& f, const std::vector<uint8_t>& data) {
        std::vector<uint8_t>* target = &f.data;
        if (f.type == FileType::BackupData) {
            // A backup file changes its mirror; the committed image stays
            // readable until CommitTransaction.
            if (!f.pending.data) f.pending.data = f.data;
            target = &*f.pending.data;
        }
        std::copy(data.begin(), data.end(), target->begin() + offset);
        return Reply::Ok();
    });
}

Reply ReadData(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != kTransferHeader) return Reply::Error(status::kLengthError);
    FileRef ref = FindFile(ctx, cmd[1]);
    if (!ref.file) return Reply::Error(ref.status);
    const DesfireFile& f = *ref.file;
    if (!f.IsDataFile()) return Reply::Error(status::kParameterError);
    const FileAccess access = CheckFileAccess(ctx, f, {Right::Read, Right::ReadWrite});
    if (access.status != status::kOk) return Reply::Error(access.status);
    const uint32_t offset = Le24(cmd.data() + 2);
    const uint32_t requested = Le24(cmd.data() + 5);
    if (offset >= f.size || requested > f.size - offset) return Reply::Error(status::kBoundaryError);
    const uint32_t length = requested == 0 ? f.size - offset : requested;
    const std::vector<uint8_t> payload(f.data.begin() + offset, f.data.begin() + offset + length);
    return ProtectedAnswer(ctx.session, access.mode, payload, requested == 0);
}

Reply GetValue(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 2) return Reply::Error(status::kLengthError);
    FileRef ref = FindFile(ctx, cmd[1]);
    if (!ref.file) return Reply::Error(ref.status);
    const DesfireFile& f = *ref.file;
    if (f.type != FileType::Value) return Reply::Error(status::kParameterError);
    const FileAccess access = CheckFileAccess(ctx, f, {Right::Read, Right::Write, Right::ReadWrite}, f.freeGetValue);
    if (access.status != status::kOk) return Reply::Error(access.status);
    // The committed value: changes of the open transaction do not show.
    std::vector<uint8_t> payload;
    PutLe32(payload, f.value);
    return ProtectedAnswer(ctx.session, access.mode, payload);
}

enum class ValueOp { Credit, Debit, LimitedCredit };

Reply ChangeValue(CommandContext& ctx, const std::vector<uint8_t>& cmd, ValueOp op)
{
    if (cmd.size() < 2) return Reply::Error(status::kLengthError);
    FileRef ref = FindFile(ctx, cmd[1]);
    if (!ref.file) return Reply::Error(ref.status);
    DesfireFile& f = *ref.file;
    if (f.type != FileType::Value) return Reply::Error(status::kParameterError);
    FileAccess access;
    switch (op) {
    case ValueOp::Credit: access = CheckFileAccess(ctx, f, {Right::ReadWrite}); break;
    case ValueOp::Debit: access = CheckFileAccess(ctx, f, {Right::Read, Right::Write, Right::ReadWrite}); break;
    case ValueOp::LimitedCredit: access = CheckFileAccess(ctx, f, {Right::Write, Right::ReadWrite}); break;
    }
    if (access.status != status::kOk) return Reply::Error(access.status);
    if (cmd.size() != 2 + ProtectedLength(ctx.session, access.mode, 4)) return Reply::Error(status::kLengthError);
    std::vector<uint8_t> data;
    const uint8_t st = UnwrapCommandData(ctx.session, access.mode, cmd, 2, 4, &data);
    if (st != status::kOk) return Reply::Error(st);

    const int64_t amount = Le32s(data.data());
    if (amount < 0) return Reply::Error(status::kParameterError);
    const int64_t current = f.pending.value.value_or(f.value);
    int64_t next = current;
    switch (op) {
    case ValueOp::Credit: next = current + amount; break;
    case ValueOp::Debit: next = current - amount; break;
    case ValueOp::LimitedCredit:
        if (!f.limitedCreditEnabled) return Reply::Error(status::kPermissionDenied);
        if (f.pending.limitedCredited + amount > f.limitedCreditValue) return Reply::Error(status::kBoundaryError);
        next = current + amount;
        break;
    }
    if (next > f.upperLimit || next < f.lowerLimit) return Reply::Error(status::kBoundaryError);
    f.pending.value = static_cast<int32_t>(next);
    if (op == ValueOp::Debit) f.pending.debited += amount;
    if (op == ValueOp::LimitedCredit) f.pending.limitedCredited += amount;
    return Reply::Ok();
}

Reply WriteRecord(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() < kTransferHeader) return Reply::Error(status::kLengthError);
    FileRef ref = FindFile(ctx, cmd[1]);
    if (!ref.file) return Reply::Error(ref.status);
    const DesfireFile& f = *ref.file;
    if (!f.IsRecordFile()) return Reply::Error(status::kParameterError);
    const FileAccess access = CheckFileAccess(ctx, f, {Right::Write, Right::ReadWrite});
    if (access.status != status::kOk) return Reply::Error(access.status);
    const uint32_t offset = Le24(cmd.data() + 2);
    const uint32_t length = Le24(cmd.data() + 5);
    // Without data there is nothing to write, and the commit would add a
    // record of zeros.
    if (length == 0) return Reply::Error(status::kLengthError);
    if (offset >= f.recordSize || length > f.recordSize - offset) return Reply::Error(status::kBoundaryError);
    // The first WriteRecord of a transaction starts a new record; a full
    // linear file takes none.
    const size_t held = f.pending.cleared ? 0 : f.records.size();
    if (!f.pending.newRecord && f.type == FileType::LinearRecord && held >= f.maxRecords)
        return Reply::Error(status::kBoundaryError);
    return StartWrite(ctx, cmd, access.mode, length, [offset](DesfireFile& file, const std::vector<uint8_t>& data) {
        if (!file.pending.newRecord) file.pending.newRecord.emplace(file.recordSize, 0);
        std::copy(data.begin(), data.end(), file.pending.newRecord->begin() + offset);
        return Reply::Ok();
    });
}

Reply ReadRecords(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != kTransferHeader) return Reply::Error(status::kLengthError);
    FileRef ref = FindFile(ctx, cmd[1]);
    if (!ref.file) return Reply::Error(ref.status);
    const DesfireFile& f = *ref.file;
    if (!f.IsRecordFile()) return Reply::Error(status::kParameterError);
    const FileAccess access = CheckFileAccess(ctx, f, {Right::Read, Right::ReadWrite});
    if (access.status != status::kOk) return Reply::Error(access.status);
    // The offset counts back from the newest record; the answer lists the
    // records oldest first. Only committed records are there to read.
    const uint32_t offset = Le24(cmd.data() + 2);
    const uint32_t requested = Le24(cmd.data() + 5);
    const uint32_t held = static_cast<uint32_t>(f.records.size());
    if (offset >= held || requested > held - offset) return Reply::Error(status::kBoundaryError);
    const uint32_t count = requested == 0 ? held - offset : requested;
    std::vector<uint8_t> payload;
    for (uint32_t i = held - offset - count; i < held - offset; ++i)
        payload.insert(payload.end(), f.records[i].begin(), f.records[i].end());
    return ProtectedAnswer(ctx.session, access.mode, payload, requested == 0);
}

Reply ClearRecordFile(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 2) return Reply::Error(status::kLengthError);
    FileRef ref = FindFile(ctx, cmd[1]);
    if (!ref.file) return Reply::Error(ref.status);
    DesfireFile& f = *ref.file;
    if (!f.IsRecordFile()) return Reply::Error(status::kParameterError);
    const FileAccess access = CheckFileAccess(ctx, f, {Right::ReadWrite});
    if (access.status != status::kOk) return Reply::Error(access.status);
    f.pending.cleared = true;
    f.pending.newRecord.reset();
    return Reply::Ok();
}

Reply EndTransaction(CommandContext& ctx, const std::vector<uint8_t>& cmd, bool commit)
{
    if (cmd.size() != 1) return Reply::Error(status::kLengthError);
    if (ctx.Aid() == CardState::kCardLevel) return Reply::Error(status::kPermissionDenied);
    if (commit)
        ctx.state.CommitTransaction(ctx.Aid());
    else
        ctx.state.AbortTransaction();
    return Reply::Ok();
}

} // namespace

void RegisterDataCommands(CommandTable& table)
{
    auto value = [](ValueOp op) {
        return [op](CommandContext& ctx, const std::vector<uint8_t>& cmd) { return ChangeValue(ctx, cmd, op); };
    };
    // Reads are MACed like any plain command; writes carry their data in
    // the file's communication mode and check it themselves.
    table[kReadData] = {Protection::PlainCommand, ReadData};
    table[kWriteData] = {Protection::Custom, WriteData};
    table[kGetValue] = {Protection::PlainCommand, GetValue};
    table[kCredit] = {Protection::Custom, value(ValueOp::Credit)};
    table[kDebit] = {Protection::Custom, value(ValueOp::Debit)};
    table[kLimitedCredit] = {Protection::Custom, value(ValueOp::LimitedCredit)};
    table[kWriteRecord] = {Protection::Custom, WriteRecord};
    table[kReadRecords] = {Protection::PlainCommand, ReadRecords};
    table[kClearRecordFile] = {Protection::PlainCommand, ClearRecordFile};
    table[kCommitTransaction] = {Protection::PlainCommand, [](CommandContext& ctx, const std::vector<uint8_t>& cmd) {
                                     return EndTransaction(ctx, cmd, true);
                                 }};
    table[kAbortTransaction] = {Protection::PlainCommand, [](CommandContext& ctx, const std::vector<uint8_t>& cmd) {
                                    return EndTransaction(ctx, cmd, false);
                                }};
}

} // namespace kavex::sim::desfire
