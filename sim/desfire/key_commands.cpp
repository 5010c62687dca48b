// Key settings, key versions and key values of the selected level (card
// master key at the card level, application keys inside an application).
#include <algorithm>

#include "sim/desfire/commands.h"

namespace kavex::sim::desfire {
namespace {

constexpr uint8_t kGetKeySettings = 0x45;
constexpr uint8_t kGetKeyVersion = 0x64;
constexpr uint8_t kChangeKeySettings = 0x54;
constexpr uint8_t kChangeKey = 0xC4;

constexpr uint8_t kChangeKeyWithMasterKey = 0x0;
constexpr uint8_t kChangeKeyWithSameKey = 0xE;
constexpr uint8_t kChangeKeyFrozen = 0xF;
// At the card level the key number byte also names the crypto method the
// card master key is to have: bits 7-6 as in CreateApplication.
constexpr uint8_t kCardKeyNumberMask = 0x3F;

Reply GetKeySettings(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 1) return Reply::Error(status::kLengthError);
    const KeySet* keys = ctx.state.KeysOf(ctx.Aid());
    if (!keys) return Reply::Error(status::kApplicationNotFound);
    if (!keys->FreeDirectoryAccess() && !ctx.MasterKeyAuthenticated())
        return Reply::Error(status::kAuthenticationError);
    return Reply::Ok({keys->settings, keys->KeyCountByte()});
}

Reply GetKeyVersion(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 2) return Reply::Error(status::kLengthError);
    const KeySet* keys = ctx.state.KeysOf(ctx.Aid());
    if (!keys) return Reply::Error(status::kApplicationNotFound);
    const DesfireKey* key = keys->Find(cmd[1]);
    if (!key) return Reply::Error(status::kNoSuchKey);
    return Reply::Ok({key->version});
}

Reply ChangeKeySettings(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    KeySet* keys = ctx.state.KeysOf(ctx.Aid());
    if (!keys) return Reply::Error(status::kApplicationNotFound);
    if (!ctx.MasterKeyAuthenticated()) return Reply::Error(status::kAuthenticationError);
    if (cmd.size() != 1 + RoundUpToBlock(1 + ctx.session.CrcLength(), ctx.session.BlockSize()))
        return Reply::Error(status::kLengthError);
    if (!keys->SettingsChangeable()) return Reply::Error(status::kPermissionDenied);
    std::vector<uint8_t> plain;
    if (!ctx.session.DecipherCommandData(cmd.data() + 1, cmd.size() - 1, plain))
        return Reply::Error(status::kLengthError);
    if (!EncipheredParametersOk(ctx.session, cmd.data(), 1, plain, 1)) return Reply::Error(status::kIntegrityError);
    keys->settings = plain[0];
    return Reply::Ok();
}

// The key whose authentication allows changing key `keyNo` of `keys`;
// kChangeKeyFrozen when no key does.
uint8_t KeyThatMayChange(const KeySet& keys, uint8_t keyNo, bool cardLevel)
{
    if (keyNo == 0 || cardLevel) return keys.MasterKeyChangeable() ? 0 : kChangeKeyFrozen;
    const uint8_t access = keys.ChangeKeyAccess();
    switch (access) {
    case kChangeKeyWithMasterKey: return 0;
    case kChangeKeyWithSameKey: return keyNo;
    case kChangeKeyFrozen: return kChangeKeyFrozen;
    default:
        // The key that changes the others is itself changed with the
        // master key.
        return access == keyNo ? 0 : access;
    }
}

Reply ChangeKey(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() < 2) return Reply::Error(status::kLengthError);
    Session& session = ctx.session;
    if (!session.Authenticated()) return Reply::Error(status::kAuthenticationError);
    const uint32_t aid = ctx.Aid();
    KeySet* keys = ctx.state.KeysOf(aid);
    if (!keys) return Reply::Error(status::kApplicationNotFound);

    const bool cardLevel = aid == CardState::kCardLevel;
    uint8_t keyNo = cmd[1];
    CryptoMethod method = keys->method;
    if (cardLevel) {
        keyNo = cmd[1] & kCardKeyNumberMask;
        const uint8_t methodBits = cmd[1] >> 6;
        if (methodBits > static_cast<uint8_t>(CryptoMethod::Aes)) return Reply::Error(status::kParameterError);
        method = static_cast<CryptoMethod>(methodBits);
    }
    DesfireKey* key = keys->Find(keyNo);
    if (!key) return Reply::Error(status::kNoSuchKey);

    const uint8_t allowedBy = KeyThatMayChange(*keys, keyNo, cardLevel);
    if (allowedBy == kChangeKeyFrozen) return Reply::Error(status::kPermissionDenied);
    if (!session.AuthenticatedWith(aid, allowedBy)) return Reply::Error(status::kAuthenticationError);

    // The cryptogram as the card reads it, whatever the host meant: the new
    // key (XORed with the old one unless it is the authenticated key), the
    // version byte for an AES key, the CRC over command, key number byte
    // and all that (legacy: CRC16 over all that alone), for another key
    // the CRC over the new key alone, zeros.
    const bool sameKey = session.AuthKeyNo() == keyNo;
    const size_t keyLen = KeyLength(CipherOf(method));
    const bool versionByte = method == CryptoMethod::Aes;
    const size_t covered = keyLen + (versionByte ? 1 : 0);
    const size_t crcLen = session.CrcLength();
    const size_t needed = covered + crcLen + (sameKey ? 0 : crcLen);
    if (cmd.size() - 2 != RoundUpToBlock(needed, session.BlockSize())) return Reply::Error(status::kLengthError);

    std::vector<uint8_t> plain;
    if (!session.DecipherCommandData(cmd.data() + 2, cmd.size() - 2, plain)) return Reply::Error(status::kLengthError);
    const std::vector<uint8_t> crc = session.ParameterCrc(cmd.data(), 2, plain.data(), covered);
    if (!std::equal(crc.begin(), crc.end(), plain.begin() + static_cast<long>(covered)))
        return Reply::Error(status::kIntegrityError);

    std::array<uint8_t, 24> newKey{};
    std::copy(plain.begin(), plain.begin() + static_cast<long>(keyLen), newKey.begin());
    size_t padFrom = covered + crcLen;
    if (!sameKey) {
        for (size_t i = 0; i < keyLen; ++i) newKey[i] ^= key->value[i];
        const std::vector<uint8_t> keyCrc = session.ParameterCrc(nullptr, 0, newKey.data(), keyLen);
        if (!std::equal(keyCrc.begin(), keyCrc.end(), plain.begin() + static_cast<long>(padFrom)))
            return Reply::Error(status::kIntegrityError);
        padFrom += crcLen;
    }
    if (std::any_of(plain.begin() + static_cast<long>(padFrom), plain.end(), [](uint8_t b) { return b != 0; }))
        return Reply::Error(status::kIntegrityError);

    key->value = newKey;
    key->version = versionByte ? plain[keyLen] : DesKeyVersion(newKey.data());
    keys->method = method;
    if (sameKey) {
        // The session key came from the old key: the card ends the session
        // and its answer carries no MAC.
        session.ResetAuthentication();
        return Reply::Unprotected(status::kOk, {});
    }
    return Reply::Ok();
}

} // namespace

void RegisterKeyCommands(CommandTable& table)
{
    table[kGetKeySettings] = {Protection::PlainCommand, GetKeySettings};
    table[kGetKeyVersion] = {Protection::PlainCommand, GetKeyVersion};
    table[kChangeKeySettings] = {Protection::Custom, ChangeKeySettings};
    table[kChangeKey] = {Protection::Custom, ChangeKey};
}

} // namespace kavex::sim::desfire
