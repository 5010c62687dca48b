// Selecting, listing, creating and deleting applications.
#include "sim/desfire/commands.h"

namespace kavex::sim::desfire {
namespace {

constexpr uint8_t kSelectApplication = 0x5A;
constexpr uint8_t kGetApplicationIds = 0x6A;
constexpr uint8_t kCreateApplication = 0xCA;
constexpr uint8_t kDeleteApplication = 0xDA;

constexpr size_t kAidsPerFrame = 19;
constexpr uint8_t kIsoFileIdsFlag = 0x20;
constexpr uint8_t kReservedKeyBit = 0x10;
constexpr uint8_t kMaxApplicationKeys = 14;
constexpr size_t kMaxDfName = 16;

Reply SelectApplication(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 4) return Reply::Error(status::kLengthError);
    const uint32_t aid = Le24(cmd.data() + 1);
    // A failed selection keeps the level selected before (only the
    // authentication goes, as on every error).
    if (aid != CardState::kCardLevel && !ctx.state.FindApplication(aid))
        return Reply::Error(status::kApplicationNotFound);
    ctx.session.Select(aid);
    return Reply::Ok();
}

Reply GetApplicationIds(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 1) return Reply::Error(status::kLengthError);
    if (ctx.Aid() != CardState::kCardLevel) return Reply::Error(status::kPermissionDenied);
    if (!ctx.state.masterKeys.FreeDirectoryAccess() && !ctx.MasterKeyAuthenticated())
        return Reply::Error(status::kAuthenticationError);
    std::vector<uint8_t> d;
    for (const auto& entry : ctx.state.applications) PutLe24(d, entry.first);
    Reply r = Reply::Ok(std::move(d));
    if (ctx.state.applications.size() > kAidsPerFrame) r.frameSplits = {kAidsPerFrame * 3};
    return r;
}

bool IsoNameTaken(const CardState& st, const std::optional<uint16_t>& fid, const std::vector<uint8_t>& name)
{
    for (const auto& entry : st.applications) {
        const Application& app = entry.second;
        if (fid && app.isoFileId == fid) return true;
        if (!name.empty() && app.dfName == name) return true;
    }
    return false;
}

Reply CreateApplication(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() < 6) return Reply::Error(status::kLengthError);
    const uint8_t keySettings = cmd[4];
    const uint8_t keyByte = cmd[5];
    const bool isoIds = keyByte & kIsoFileIdsFlag;
    // ISO file ID and DF name only come with applications that take ISO
    // file IDs; the DF name is optional.
    const bool lengthOk = cmd.size() == 6 || (isoIds && cmd.size() >= 8 && cmd.size() <= 8 + kMaxDfName);
    if (!lengthOk) return Reply::Error(status::kLengthError);

    CardState& st = ctx.state;
    if (ctx.Aid() != CardState::kCardLevel) return Reply::Error(status::kPermissionDenied);
    if (!st.masterKeys.FreeCreateDelete() && !ctx.session.AuthenticatedWith(CardState::kCardLevel, 0))
        return Reply::Error(status::kAuthenticationError);

    const uint32_t aid = Le24(cmd.data() + 1);
    const uint8_t methodBits = keyByte >> 6;
    const uint8_t keyCount = keyByte & 0x0F;
    if (aid == CardState::kCardLevel || methodBits > static_cast<uint8_t>(CryptoMethod::Aes) ||
        (keyByte & kReservedKeyBit) || keyCount == 0 || keyCount > kMaxApplicationKeys)
        return Reply::Error(status::kParameterError);

    std::optional<uint16_t> isoFileId;
    std::vector<uint8_t> dfName;
    if (cmd.size() >= 8) {
        isoFileId = static_cast<uint16_t>(cmd[6] | cmd[7] << 8);
        dfName.assign(cmd.begin() + 8, cmd.end());
    }
    if (st.FindApplication(aid) || IsoNameTaken(st, isoFileId, dfName)) return Reply::Error(status::kDuplicateError);
    if (st.applications.size() >= CardState::kMaxApplications) return Reply::Error(status::kCountError);

    Application app;
    app.aid = aid;
    app.keys = st.NewApplicationKeys(static_cast<CryptoMethod>(methodBits), keySettings, keyCount);
    app.isoFileIds = isoIds;
    app.isoFileId = isoFileId;
    app.dfName = std::move(dfName);
    if (!st.memory.Allocate(CardState::ApplicationCost(app.keys), &app.allocated))
        return Reply::Error(status::kOutOfMemory);
    st.applications.emplace(aid, std::move(app));
    return Reply::Ok();
}

Reply DeleteApplication(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 4) return Reply::Error(status::kLengthError);
    const uint32_t aid = Le24(cmd.data() + 1);
    CardState& st = ctx.state;
    if (aid == CardState::kCardLevel || !st.FindApplication(aid)) return Reply::Error(status::kApplicationNotFound);
    // The card master key may always delete; with free create/delete the
    // application's own master key may too.
    const bool allowed = ctx.session.AuthenticatedWith(CardState::kCardLevel, 0) ||
                         (st.masterKeys.FreeCreateDelete() && ctx.session.AuthenticatedWith(aid, 0));
    if (!allowed) return Reply::Error(status::kAuthenticationError);
    // The application's memory stays used until the card is formatted.
    st.applications.erase(aid);
    if (ctx.Aid() == aid) {
        // Nothing is left to be selected in or authenticated with.
        ctx.session.Select(CardState::kCardLevel);
        return Reply::Unprotected(status::kOk, {});
    }
    return Reply::Ok();
}

} // namespace

void RegisterApplicationCommands(CommandTable& table)
{
    // Selection drops the authentication, so there is nothing to MAC.
    table[kSelectApplication] = {Protection::Custom, SelectApplication};
    table[kGetApplicationIds] = {Protection::PlainCommand, GetApplicationIds};
    table[kCreateApplication] = {Protection::PlainCommand, CreateApplication};
    table[kDeleteApplication] = {Protection::PlainCommand, DeleteApplication};
}

} // namespace kavex::sim::desfire
