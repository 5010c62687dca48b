// Key settings and key versions of the selected level (card master key at
// the card level, application keys inside an application).
#include "sim/desfire/commands.h"

namespace kavex::sim::desfire {
namespace {

constexpr uint8_t kGetKeySettings = 0x45;
constexpr uint8_t kGetKeyVersion = 0x64;

Reply GetKeySettings(CommandContext& ctx, const std::vector<uint8_t>& cmd) {
    if (cmd.size() != 1) return Reply::Error(status::kLengthError);
    const KeySet* keys = ctx.state.KeysOf(ctx.Aid());
    if (!keys) return Reply::Error(status::kApplicationNotFound);
    if (!keys->FreeDirectoryAccess() && !ctx.MasterKeyAuthenticated())
        return Reply::Error(status::kAuthenticationError);
    return Reply::Ok({keys->settings, keys->KeyCountByte()});
}

Reply GetKeyVersion(CommandContext& ctx, const std::vector<uint8_t>& cmd) {
    if (cmd.size() != 2) return Reply::Error(status::kLengthError);
    const KeySet* keys = ctx.state.KeysOf(ctx.Aid());
    if (!keys) return Reply::Error(status::kApplicationNotFound);
    const DesfireKey* key = keys->Find(cmd[1]);
    if (!key) return Reply::Error(status::kNoSuchKey);
    return Reply::Ok({key->version});
}

} // namespace

void RegisterKeyCommands(CommandTable& table) {
    table[kGetKeySettings] = {Protection::PlainCommand, GetKeySettings};
    table[kGetKeyVersion] = {Protection::PlainCommand, GetKeyVersion};
}

} // namespace kavex::sim::desfire
