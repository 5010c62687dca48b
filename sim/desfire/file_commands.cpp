// Creating, listing, inspecting, reconfiguring and deleting the files of
// the selected application.
#include <algorithm>

#include "sim/desfire/file_access.h"

namespace kavex::sim::desfire {
namespace {

constexpr uint8_t kGetFileIds = 0x6F;
constexpr uint8_t kGetFileSettings = 0xF5;
constexpr uint8_t kChangeFileSettings = 0x5F;
constexpr uint8_t kCreateStdDataFile = 0xCD;
constexpr uint8_t kCreateBackupDataFile = 0xCB;
constexpr uint8_t kCreateValueFile = 0xCC;
constexpr uint8_t kCreateLinearRecordFile = 0xC1;
constexpr uint8_t kCreateCyclicRecordFile = 0xC0;
constexpr uint8_t kDeleteFile = 0xDF;

constexpr uint8_t kMaxCommSettings = 0x03;
constexpr uint8_t kLimitedCreditEnabled = 0x01;
constexpr uint8_t kFreeGetValue = 0x02;
constexpr uint32_t kValueFileCost = MemoryPool::kBlock;

// The selected application when the session may change its file
// directory (create, delete).
Application* DirectoryForChange(CommandContext& ctx, uint8_t* status)
{
    if (ctx.Aid() == CardState::kCardLevel) {
        *status = status::kPermissionDenied;
        return nullptr;
    }
    Application* app = ctx.state.FindApplication(ctx.Aid());
    if (!app) {
        *status = status::kApplicationNotFound;
        return nullptr;
    }
    if (!app->keys.FreeCreateDelete() && !ctx.MasterKeyAuthenticated()) {
        *status = status::kAuthenticationError;
        return nullptr;
    }
    return app;
}

// The selected application when the session may read its file directory.
const Application* DirectoryForReading(CommandContext& ctx, uint8_t* status)
{
    if (ctx.Aid() == CardState::kCardLevel) {
        *status = status::kPermissionDenied;
        return nullptr;
    }
    const Application* app = ctx.state.FindApplication(ctx.Aid());
    if (!app) {
        *status = status::kApplicationNotFound;
        return nullptr;
    }
    if (!app->keys.FreeDirectoryAccess() && !ctx.MasterKeyAuthenticated()) {
        *status = status::kAuthenticationError;
        return nullptr;
    }
    return app;
}

// Adds `file` as number `fileNo` once number, ISO file ID and memory allow.
Reply AddFile(CommandContext& ctx, Application& app, uint8_t fileNo, DesfireFile file, uint64_t cost)
{
    if (app.files.count(fileNo)) return Reply::Error(status::kDuplicateError);
    if (file.isoFileId) {
        for (const auto& entry : app.files)
            if (entry.second.isoFileId == file.isoFileId) return Reply::Error(status::kDuplicateError);
    }
    if (cost > ctx.state.memory.Free() || !ctx.state.memory.Allocate(static_cast<uint32_t>(cost), &file.allocated))
        return Reply::Error(status::kOutOfMemory);
    app.files.emplace(fileNo, std::move(file));
    return Reply::Ok();
}

// Data and record files: number, optional ISO file ID, communication
// settings, access rights; then `tail` bytes of their own.
struct CommonHeader {
    uint8_t fileNo = 0;
    std::optional<uint16_t> isoFileId;
    uint8_t commSettings = 0;
    uint16_t accessRights = 0;
    const uint8_t* tail = nullptr;
};

uint8_t ParseHeader(const Application& app, const std::vector<uint8_t>& cmd, size_t tailLen, CommonHeader* h)
{
    const size_t plainLen = 1 + 1 + 1 + 2 + tailLen;
    const bool withIso = cmd.size() == plainLen + 2;
    if (cmd.size() != plainLen && !(withIso && app.isoFileIds)) return status::kLengthError;
    size_t pos = 1;
    h->fileNo = cmd[pos++];
    if (withIso) {
        h->isoFileId = static_cast<uint16_t>(cmd[pos] | cmd[pos + 1] << 8);
        pos += 2;
    }
    h->commSettings = cmd[pos++];
    h->accessRights = static_cast<uint16_t>(cmd[pos] | cmd[pos + 1] << 8);
    pos += 2;
    h->tail = cmd.data() + pos;
    if (h->fileNo > kMaxFileNo || h->commSettings > kMaxCommSettings) return status::kParameterError;
    return status::kOk;
}

DesfireFile FileFrom(const CommonHeader& h, FileType type)
{
    DesfireFile f;
    f.type = type;
    f.commSettings = h.commSettings;
    f.accessRights = h.accessRights;
    f.isoFileId = h.isoFileId;
    return f;
}

Reply CreateDataFile(CommandContext& ctx, const std::vector<uint8_t>& cmd, FileType type)
{
    uint8_t st = status::kOk;
    Application* app = DirectoryForChange(ctx, &st);
    if (!app) return Reply::Error(st);
    CommonHeader h;
    if ((st = ParseHeader(*app, cmd, 3, &h)) != status::kOk) return Reply::Error(st);
    const uint32_t size = Le24(h.tail);
    if (size == 0) return Reply::Error(status::kParameterError);
    DesfireFile f = FileFrom(h, type);
    f.size = size;
    f.data.assign(size, 0);
    // A backup file keeps a second image for its transaction.
    const uint64_t cost = uint64_t{MemoryPool::RoundUp(size)} * (type == FileType::BackupData ? 2 : 1);
    return AddFile(ctx, *app, h.fileNo, std::move(f), cost);
}

Reply CreateRecordFile(CommandContext& ctx, const std::vector<uint8_t>& cmd, FileType type)
{
    uint8_t st = status::kOk;
    Application* app = DirectoryForChange(ctx, &st);
    if (!app) return Reply::Error(st);
    CommonHeader h;
    if ((st = ParseHeader(*app, cmd, 6, &h)) != status::kOk) return Reply::Error(st);
    const uint32_t recordSize = Le24(h.tail);
    const uint32_t maxRecords = Le24(h.tail + 3);
    const uint32_t minRecords = type == FileType::CyclicRecord ? 2 : 1;
    if (recordSize == 0 || maxRecords < minRecords) return Reply::Error(status::kParameterError);
    DesfireFile f = FileFrom(h, type);
    f.recordSize = recordSize;
    f.maxRecords = maxRecords;
    const uint64_t bytes = uint64_t{recordSize} * maxRecords;
    const uint64_t cost = (bytes + MemoryPool::kBlock - 1) / MemoryPool::kBlock * MemoryPool::kBlock;
    return AddFile(ctx, *app, h.fileNo, std::move(f), cost);
}

Reply CreateValueFile(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    uint8_t st = status::kOk;
    Application* app = DirectoryForChange(ctx, &st);
    if (!app) return Reply::Error(st);
    if (cmd.size() != 18) return Reply::Error(status::kLengthError);
    DesfireFile f;
    f.type = FileType::Value;
    const uint8_t fileNo = cmd[1];
    f.commSettings = cmd[2];
    f.accessRights = static_cast<uint16_t>(cmd[3] | cmd[4] << 8);
    f.lowerLimit = Le32s(cmd.data() + 5);
    f.upperLimit = Le32s(cmd.data() + 9);
    f.value = Le32s(cmd.data() + 13);
    const uint8_t flags = cmd[17];
    if (fileNo > kMaxFileNo || f.commSettings > kMaxCommSettings || f.lowerLimit > f.upperLimit ||
        f.value < f.lowerLimit || f.value > f.upperLimit || (flags & ~(kLimitedCreditEnabled | kFreeGetValue)))
        return Reply::Error(status::kParameterError);
    f.limitedCreditEnabled = flags & kLimitedCreditEnabled;
    f.freeGetValue = flags & kFreeGetValue;
    return AddFile(ctx, *app, fileNo, std::move(f), kValueFileCost);
}

Reply DeleteFile(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 2) return Reply::Error(status::kLengthError);
    uint8_t st = status::kOk;
    Application* app = DirectoryForChange(ctx, &st);
    if (!app) return Reply::Error(st);
    if (cmd[1] > kMaxFileNo) return Reply::Error(status::kParameterError);
    // The file's memory stays used until the card is formatted.
    if (!app->files.erase(cmd[1])) return Reply::Error(status::kFileNotFound);
    return Reply::Ok();
}

Reply GetFileIds(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 1) return Reply::Error(status::kLengthError);
    uint8_t st = status::kOk;
    const Application* app = DirectoryForReading(ctx, &st);
    if (!app) return Reply::Error(st);
    std::vector<uint8_t> ids;
    for (const auto& entry : app->files) ids.push_back(entry.first);
    return Reply::Ok(std::move(ids));
}

Reply GetFileSettings(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 2) return Reply::Error(status::kLengthError);
    uint8_t st = status::kOk;
    const Application* app = DirectoryForReading(ctx, &st);
    if (!app) return Reply::Error(st);
    if (cmd[1] > kMaxFileNo) return Reply::Error(status::kParameterError);
    auto it = app->files.find(cmd[1]);
    if (it == app->files.end()) return Reply::Error(status::kFileNotFound);
    const DesfireFile& f = it->second;
    std::vector<uint8_t> d{static_cast<uint8_t>(f.type), f.commSettings, static_cast<uint8_t>(f.accessRights),
                           static_cast<uint8_t>(f.accessRights >> 8)};
    switch (f.type) {
    case FileType::StandardData:
    case FileType::BackupData: PutLe24(d, f.size); break;
    case FileType::Value:
        PutLe32(d, f.lowerLimit);
        PutLe32(d, f.upperLimit);
        PutLe32(d, f.limitedCreditValue);
        d.push_back(static_cast<uint8_t>((f.limitedCreditEnabled ? kLimitedCreditEnabled : 0) |
                                         (f.freeGetValue ? kFreeGetValue : 0)));
        break;
    case FileType::LinearRecord:
    case FileType::CyclicRecord:
        PutLe24(d, f.recordSize);
        PutLe24(d, f.maxRecords);
        PutLe24(d, static_cast<uint32_t>(f.records.size()));
        break;
    }
    return Reply::Ok(std::move(d));
}

Reply ChangeFileSettings(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() < 2) return Reply::Error(status::kLengthError);
    FileRef ref = FindFile(ctx, cmd[1]);
    if (!ref.file) return Reply::Error(ref.status);
    Session& session = ctx.session;
    const uint8_t change = AccessNibble(ref.file->accessRights, Right::Change);
    if (change == kNoAccess) return Reply::Error(status::kPermissionDenied);

    std::vector<uint8_t> settings;
    if (change == kFreeAccess) {
        // Free change access: the new settings come in plain.
        if (cmd.size() != 5) return Reply::Error(status::kLengthError);
        if (session.Authenticated()) session.AbsorbCommand(cmd.data(), cmd.size());
        settings.assign(cmd.begin() + 2, cmd.end());
    } else {
        if (!session.AuthenticatedWith(ctx.Aid(), change)) return Reply::Error(status::kAuthenticationError);
        if (cmd.size() != 2 + ProtectedLength(session, CommMode::Enciphered, 3))
            return Reply::Error(status::kLengthError);
        const uint8_t st = UnwrapCommandData(session, CommMode::Enciphered, cmd, 2, 3, &settings);
        if (st != status::kOk) return Reply::Error(st);
    }
    if (settings[0] > kMaxCommSettings) return Reply::Error(status::kParameterError);
    ref.file->commSettings = settings[0];
    ref.file->accessRights = static_cast<uint16_t>(settings[1] | settings[2] << 8);
    return Reply::Ok();
}

} // namespace

void RegisterFileCommands(CommandTable& table)
{
    auto data = [](FileType type) {
        return [type](CommandContext& ctx, const std::vector<uint8_t>& cmd) { return CreateDataFile(ctx, cmd, type); };
    };
    auto records = [](FileType type) {
        return
            [type](CommandContext& ctx, const std::vector<uint8_t>& cmd) { return CreateRecordFile(ctx, cmd, type); };
    };
    table[kCreateStdDataFile] = {Protection::PlainCommand, data(FileType::StandardData)};
    table[kCreateBackupDataFile] = {Protection::PlainCommand, data(FileType::BackupData)};
    table[kCreateValueFile] = {Protection::PlainCommand, CreateValueFile};
    table[kCreateLinearRecordFile] = {Protection::PlainCommand, records(FileType::LinearRecord)};
    table[kCreateCyclicRecordFile] = {Protection::PlainCommand, records(FileType::CyclicRecord)};
    table[kDeleteFile] = {Protection::PlainCommand, DeleteFile};
    table[kGetFileIds] = {Protection::PlainCommand, GetFileIds};
    table[kGetFileSettings] = {Protection::PlainCommand, GetFileSettings};
    // Plain or enciphered, depending on the file's change access right.
    table[kChangeFileSettings] = {Protection::Custom, ChangeFileSettings};
}

} // namespace kavex::sim::desfire
