// Commands on the card as a whole: GetVersion, GetFreeMemory, FormatPICC,
// SetConfiguration and GetCardUID.
#include <algorithm>

#include "sim/desfire/commands.h"

namespace kavex::sim::desfire {
namespace {

constexpr uint8_t kGetVersion = 0x60;
constexpr uint8_t kGetFreeMemory = 0x6E;
constexpr uint8_t kFormatPicc = 0xFC;
constexpr uint8_t kSetConfiguration = 0x5C;
constexpr uint8_t kGetCardUid = 0x51;

constexpr uint8_t kOptionCardSettings = 0x00;
constexpr uint8_t kOptionDefaultKey = 0x01;
constexpr uint8_t kOptionAts = 0x02;

constexpr uint8_t kSettingFormatDisabled = 0x01;
constexpr uint8_t kSettingRandomUid = 0x02;

Reply GetVersion(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 1) return Reply::Error(status::kLengthError);
    const CardState& st = ctx.state;
    const uint8_t storage = st.memory.StorageByte();
    std::vector<uint8_t> d{0x04, 0x01, 0x01, 0x01, 0x00, storage, 0x05,  // hardware
                           0x04, 0x01, 0x01, 0x01, 0x04, storage, 0x05}; // software
    // A card that hides its identity behind random UIDs shows none here.
    if (st.config.randomUid)
        d.insert(d.end(), 7, 0x00);
    else
        d.insert(d.end(), st.production.uid.begin(), st.production.uid.end());
    d.insert(d.end(), st.production.batchNumber.begin(), st.production.batchNumber.end());
    d.push_back(st.production.week);
    d.push_back(st.production.year);
    Reply r = Reply::Ok(std::move(d));
    r.frameSplits = {7, 7};
    return r;
}

Reply GetFreeMemory(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 1) return Reply::Error(status::kLengthError);
    std::vector<uint8_t> d;
    PutLe24(d, ctx.state.memory.Free());
    return Reply::Ok(std::move(d));
}

Reply FormatPicc(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 1) return Reply::Error(status::kLengthError);
    if (!ctx.session.AuthenticatedWith(CardState::kCardLevel, 0)) return Reply::Error(status::kAuthenticationError);
    if (ctx.state.config.formatDisabled) return Reply::Error(status::kPermissionDenied);
    ctx.state.Format();
    return Reply::Ok();
}

bool AtsWellFormed(const std::vector<uint8_t>& ats)
{
    // TL, T0, then TA/TB/TC as T0 announces them: the reader and the host's
    // bit-rate choice read them, so a card must never announce bytes it
    // does not send.
    if (ats.size() < 2 || ats[0] != ats.size()) return false;
    const uint8_t t0 = ats[1];
    if (t0 & 0x80) return false;
    const size_t interfaceBytes = ((t0 >> 4) & 1) + ((t0 >> 5) & 1) + ((t0 >> 6) & 1);
    return 2 + interfaceBytes <= ats.size();
}

Reply SetConfiguration(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() < 2) return Reply::Error(status::kLengthError);
    if (!ctx.session.AuthenticatedWith(CardState::kCardLevel, 0)) return Reply::Error(status::kAuthenticationError);
    const uint8_t option = cmd[1];
    if (option > kOptionAts) return Reply::Error(status::kParameterError);

    const size_t bs = ctx.session.BlockSize();
    const size_t crcLen = ctx.session.CrcLength();
    const size_t cipherLen = cmd.size() - 2;
    if (cipherLen == 0 || cipherLen % bs != 0) return Reply::Error(status::kLengthError);
    size_t payloadLen = 0;
    if (option == kOptionCardSettings) payloadLen = 1;
    if (option == kOptionDefaultKey) payloadLen = 25;
    if (payloadLen && cipherLen != RoundUpToBlock(payloadLen + crcLen, bs)) return Reply::Error(status::kLengthError);

    std::vector<uint8_t> plain;
    if (!ctx.session.DecipherCommandData(cmd.data() + 2, cipherLen, plain)) return Reply::Error(status::kLengthError);

    size_t padFrom = payloadLen + crcLen;
    if (option == kOptionAts) {
        // The new ATS brings its length byte; it is padded with 0x80 and
        // zeros after the CRC, so the length must match exactly.
        payloadLen = plain[0];
        if (payloadLen < 2 || payloadLen > 20 || cipherLen != RoundUpToBlock(payloadLen + crcLen + 1, bs))
            return Reply::Error(status::kLengthError);
        padFrom = payloadLen + crcLen + 1;
        if (plain[payloadLen + crcLen] != 0x80) return Reply::Error(status::kIntegrityError);
    }

    const std::vector<uint8_t> expected = ctx.session.ParameterCrc(cmd.data(), 2, plain.data(), payloadLen);
    if (!std::equal(expected.begin(), expected.end(), plain.begin() + payloadLen))
        return Reply::Error(status::kIntegrityError);
    if (std::any_of(plain.begin() + padFrom, plain.end(), [](uint8_t b) { return b != 0; }))
        return Reply::Error(status::kIntegrityError);

    CardConfiguration& cfg = ctx.state.config;
    switch (option) {
    case kOptionCardSettings: {
        const uint8_t settings = plain[0];
        if (settings & ~(kSettingFormatDisabled | kSettingRandomUid)) return Reply::Error(status::kParameterError);
        // Both settings are one-way: a card never takes them back.
        cfg.formatDisabled = cfg.formatDisabled || (settings & kSettingFormatDisabled);
        cfg.randomUid = cfg.randomUid || (settings & kSettingRandomUid);
        break;
    }
    case kOptionDefaultKey:
        std::copy(plain.begin(), plain.begin() + 24, cfg.defaultKey.begin());
        cfg.defaultKeyVersion = plain[24];
        break;
    case kOptionAts: {
        std::vector<uint8_t> ats(plain.begin(), plain.begin() + payloadLen);
        if (!AtsWellFormed(ats)) return Reply::Error(status::kParameterError);
        cfg.ats = std::move(ats);
        break;
    }
    }
    return Reply::Ok();
}

Reply GetCardUid(CommandContext& ctx, const std::vector<uint8_t>& cmd)
{
    if (cmd.size() != 1) return Reply::Error(status::kLengthError);
    if (!ctx.session.Authenticated()) return Reply::Error(status::kAuthenticationError);
    const auto& uid = ctx.state.production.uid;
    std::vector<uint8_t> answer = ctx.session.EncipherAnswer(std::vector<uint8_t>(uid.begin(), uid.end()), status::kOk);
    return Reply::Unprotected(status::kOk, std::move(answer));
}

} // namespace

void RegisterCardCommands(CommandTable& table)
{
    table[kGetVersion] = {Protection::PlainCommand, GetVersion};
    table[kGetFreeMemory] = {Protection::PlainCommand, GetFreeMemory};
    table[kFormatPicc] = {Protection::PlainCommand, FormatPicc};
    table[kSetConfiguration] = {Protection::Custom, SetConfiguration};
    table[kGetCardUid] = {Protection::PlainCommand, GetCardUid};
}

} // namespace kavex::sim::desfire
