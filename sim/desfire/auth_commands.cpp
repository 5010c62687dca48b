// AuthenticateISO (0x1A) and AuthenticateAES (0xAA): three-pass mutual
// authentication against a key of the selected level. One IV, zero at the
// start, chains through all four cipher operations of the exchange on both
// sides; the card enciphers with CBC in both directions.
//
// Authenticate (0x0A), the original DESFire's, for DES and two-key triple
// DES keys: the card sends E(RndB); the host sends RndA || RndB' in send
// mode (D(RndA), D(RndB' ^ D(RndA))), which the card undoes by enciphering;
// the card answers E(RndA'). Every step starts from a zero IV.
#include <algorithm>
#include <cstring>
#include <memory>

#include "sim/desfire/commands.h"

namespace kavex::sim::desfire {
namespace {

constexpr uint8_t kAuthenticateIso = 0x1A;
constexpr uint8_t kAuthenticateAes = 0xAA;
constexpr uint8_t kAuthenticateLegacy = 0x0A;

struct Challenge {
    AuthMode mode;
    uint8_t keyNo;
    CipherKind kind;
    std::vector<uint8_t> longTermKey;
    std::vector<uint8_t> rndB;
    uint8_t iv[16] = {};
};

std::vector<uint8_t> RotateLeft(const std::vector<uint8_t>& v)
{
    std::vector<uint8_t> r(v.begin() + 1, v.end());
    r.push_back(v.front());
    return r;
}

std::vector<uint8_t> DeriveSessionKey(const Challenge& c, const std::vector<uint8_t>& rndA)
{
    const auto& a = rndA;
    const auto& b = c.rndB;
    std::vector<uint8_t> sk;
    auto take = [&sk](const std::vector<uint8_t>& src, size_t from) {
        sk.insert(sk.end(), src.begin() + from, src.begin() + from + 4);
    };
    switch (c.kind) {
    case CipherKind::Aes128:
        take(a, 0);
        take(b, 0);
        take(a, 12);
        take(b, 12);
        break;
    case CipherKind::Tdes3K:
        take(a, 0);
        take(b, 0);
        take(a, 6);
        take(b, 6);
        take(a, 12);
        take(b, 12);
        break;
    case CipherKind::Tdes2K: {
        // A DES key (both halves equal, parity bits included) gets a DES
        // session key; anything else stays two-key triple DES.
        const bool des = std::equal(c.longTermKey.begin(), c.longTermKey.begin() + 8, c.longTermKey.begin() + 8);
        take(a, 0);
        take(b, 0);
        take(a, des ? 0 : 4);
        take(b, des ? 0 : 4);
        break;
    }
    }
    return sk;
}

Reply SecondPass(CommandContext& ctx, const std::vector<uint8_t>& frame, Challenge& c)
{
    const size_t n = c.rndB.size();
    if (frame.size() != 1 + 2 * n) return Reply::Error(status::kLengthError);
    const BlockCipher cipher(c.kind, c.longTermKey.data());
    std::vector<uint8_t> plain(2 * n);
    CbcDecrypt(cipher, c.iv, frame.data() + 1, plain.data(), plain.size());
    const std::vector<uint8_t> rndA(plain.begin(), plain.begin() + n);
    const std::vector<uint8_t> rndBRotated(plain.begin() + n, plain.end());
    if (rndBRotated != RotateLeft(c.rndB)) return Reply::Error(status::kAuthenticationError);

    std::vector<uint8_t> answer = RotateLeft(rndA);
    CbcEncrypt(cipher, c.iv, answer.data(), answer.data(), answer.size());
    ctx.session.Establish(c.mode, c.keyNo, c.kind, DeriveSessionKey(c, rndA));
    return Reply::Unprotected(status::kOk, std::move(answer));
}

Reply LegacySecondPass(CommandContext& ctx, const std::vector<uint8_t>& frame, Challenge& c)
{
    const size_t n = c.rndB.size();
    if (frame.size() != 1 + 2 * n) return Reply::Error(status::kLengthError);
    const BlockCipher cipher(c.kind, c.longTermKey.data());
    std::vector<uint8_t> plain(2 * n);
    uint8_t iv[16] = {};
    UndoSendMode(cipher, iv, frame.data() + 1, plain.data(), plain.size());
    const std::vector<uint8_t> rndA(plain.begin(), plain.begin() + n);
    const std::vector<uint8_t> rndBRotated(plain.begin() + n, plain.end());
    if (rndBRotated != RotateLeft(c.rndB)) return Reply::Error(status::kAuthenticationError);

    std::vector<uint8_t> answer = RotateLeft(rndA);
    std::memset(iv, 0, sizeof iv);
    CbcEncrypt(cipher, iv, answer.data(), answer.data(), answer.size());
    ctx.session.Establish(c.mode, c.keyNo, c.kind, DeriveSessionKey(c, rndA));
    return Reply::Unprotected(status::kOk, std::move(answer));
}

Reply Authenticate(CommandContext& ctx, const std::vector<uint8_t>& cmd, AuthMode mode)
{
    // Whatever the outcome, the old authentication is gone.
    ctx.session.ResetAuthentication();
    if (cmd.size() != 2) return Reply::Error(status::kLengthError);
    const KeySet* keys = ctx.state.KeysOf(ctx.Aid());
    if (!keys) return Reply::Error(status::kApplicationNotFound);
    const uint8_t keyNo = cmd[1];
    const DesfireKey* key = keys->Find(keyNo);
    if (!key) return Reply::Error(status::kNoSuchKey);
    if ((mode == AuthMode::Aes) != (keys->method == CryptoMethod::Aes))
        return Reply::Error(status::kAuthenticationError);
    // The original DESFire knows only DES and two-key triple DES.
    if (mode == AuthMode::Legacy && keys->method != CryptoMethod::Tdes)
        return Reply::Error(status::kAuthenticationError);

    auto c = std::make_shared<Challenge>();
    c->mode = mode;
    c->keyNo = keyNo;
    c->kind = CipherOf(keys->method);
    c->longTermKey.assign(key->value.begin(), key->value.begin() + KeyLength(c->kind));
    c->rndB.resize(c->kind == CipherKind::Tdes2K ? 8 : 16);
    ctx.Random(c->rndB.data(), c->rndB.size());

    std::vector<uint8_t> challenge(c->rndB);
    CbcEncrypt(BlockCipher(c->kind, c->longTermKey.data()), c->iv, challenge.data(), challenge.data(),
               challenge.size());
    ctx.ExpectMore([c](CommandContext& next, const std::vector<uint8_t>& frame) {
        return c->mode == AuthMode::Legacy ? LegacySecondPass(next, frame, *c) : SecondPass(next, frame, *c);
    });
    return Reply::Unprotected(status::kAdditionalFrame, std::move(challenge));
}

} // namespace

void RegisterAuthenticationCommands(CommandTable& table)
{
    table[kAuthenticateIso] = {Protection::Custom, [](CommandContext& ctx, const std::vector<uint8_t>& cmd) {
                                   return Authenticate(ctx, cmd, AuthMode::Iso);
                               }};
    table[kAuthenticateLegacy] = {Protection::Custom, [](CommandContext& ctx, const std::vector<uint8_t>& cmd) {
                                      return Authenticate(ctx, cmd, AuthMode::Legacy);
                                  }};
    table[kAuthenticateAes] = {Protection::Custom, [](CommandContext& ctx, const std::vector<uint8_t>& cmd) {
                                   return Authenticate(ctx, cmd, AuthMode::Aes);
                               }};
}

} // namespace kavex::sim::desfire
