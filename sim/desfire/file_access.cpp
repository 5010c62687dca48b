#include "sim/desfire/file_access.h"

#include <algorithm>

namespace kavex::sim::desfire {

CommMode ModeOf(uint8_t commSettings)
{
    switch (commSettings & 0x03) {
    case 0x01: return CommMode::Mac;
    case 0x03: return CommMode::Enciphered;
    default: return CommMode::Plain;
    }
}

FileRef FindFile(CommandContext& ctx, uint8_t fileNo)
{
    FileRef ref;
    if (ctx.Aid() == CardState::kCardLevel) {
        ref.status = status::kPermissionDenied;
        return ref;
    }
    ref.app = ctx.state.FindApplication(ctx.Aid());
    if (!ref.app) {
        ref.status = status::kApplicationNotFound;
        return ref;
    }
    if (fileNo > kMaxFileNo) {
        ref.status = status::kParameterError;
        return ref;
    }
    auto it = ref.app->files.find(fileNo);
    if (it == ref.app->files.end()) {
        ref.status = status::kFileNotFound;
        return ref;
    }
    ref.file = &it->second;
    return ref;
}

FileAccess CheckFileAccess(const CommandContext& ctx, const DesfireFile& file, std::initializer_list<Right> rights,
                           bool alsoFree)
{
    bool anyFree = alsoFree;
    bool anyKey = false;
    for (Right r : rights) {
        const uint8_t nibble = AccessNibble(file.accessRights, r);
        if (nibble == kFreeAccess) {
            anyFree = true;
        } else if (nibble != kNoAccess) {
            anyKey = true;
            if (ctx.session.AuthenticatedWith(ctx.Aid(), nibble)) return {status::kOk, ModeOf(file.commSettings)};
        }
    }
    if (anyFree) return {status::kOk, CommMode::Plain};
    return {anyKey ? status::kAuthenticationError : status::kPermissionDenied, CommMode::Plain};
}

size_t ProtectedLength(const Session& session, CommMode mode, size_t plainLen)
{
    if (!session.Authenticated()) return plainLen;
    switch (mode) {
    case CommMode::Plain: return plainLen;
    case CommMode::Mac: return plainLen + session.MacLength();
    case CommMode::Enciphered: return RoundUpToBlock(plainLen + session.CrcLength(), session.BlockSize());
    }
    return plainLen;
}

bool EncipheredParametersOk(const Session& session, const uint8_t* header, size_t headerLen,
                            const std::vector<uint8_t>& plain, size_t len)
{
    const size_t crcLen = session.CrcLength();
    if (plain.size() < len + crcLen) return false;
    const std::vector<uint8_t> expected = session.ParameterCrc(header, headerLen, plain.data(), len);
    const auto crcAt = plain.begin() + static_cast<long>(len);
    return std::equal(expected.begin(), expected.end(), crcAt) &&
           std::all_of(crcAt + static_cast<long>(crcLen), plain.end(), [](uint8_t b) { return b == 0; });
}

uint8_t UnwrapCommandData(Session& session, CommMode mode, const std::vector<uint8_t>& msg, size_t headerLen,
                          size_t plainLen, std::vector<uint8_t>* data)
{
    const auto dataBegin = msg.begin() + static_cast<long>(headerLen);
    if (!session.Authenticated() || mode == CommMode::Plain) {
        // Plain data still counts towards the session's CMAC chain.
        if (session.Authenticated()) session.AbsorbCommand(msg.data(), msg.size());
        data->assign(dataBegin, msg.end());
        return status::kOk;
    }
    if (mode == CommMode::Mac) {
        const size_t macAt = msg.size() - session.MacLength();
        if (!session.VerifyCommandMac(msg.data(), headerLen, macAt, msg.data() + macAt)) return status::kIntegrityError;
        data->assign(dataBegin, msg.begin() + static_cast<long>(macAt));
        return status::kOk;
    }
    std::vector<uint8_t> plain;
    if (!session.DecipherCommandData(msg.data() + headerLen, msg.size() - headerLen, plain))
        return status::kLengthError;
    if (!EncipheredParametersOk(session, msg.data(), headerLen, plain, plainLen)) return status::kIntegrityError;
    plain.resize(plainLen);
    *data = std::move(plain);
    return status::kOk;
}

Reply ProtectedAnswer(Session& session, CommMode mode, const std::vector<uint8_t>& payload, bool marked)
{
    if (!session.Authenticated() || mode == CommMode::Plain) return Reply::Ok(payload);
    if (mode == CommMode::Mac) {
        // After ISO or AES authentication every answer carries its CMAC
        // anyway; a legacy session MACs only the data of MACed files.
        if (!session.Legacy()) return Reply::Ok(payload);
        std::vector<uint8_t> answer(payload);
        const std::vector<uint8_t> mac = session.LegacyMac(payload.data(), payload.size());
        answer.insert(answer.end(), mac.begin(), mac.end());
        return Reply::Unprotected(status::kOk, std::move(answer));
    }
    return Reply::Unprotected(status::kOk, session.EncipherAnswer(payload, status::kOk, marked));
}

} // namespace kavex::sim::desfire
