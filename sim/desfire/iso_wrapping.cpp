#include "sim/desfire/iso_wrapping.h"

namespace kavex::sim::desfire {

namespace {
constexpr size_t kHeader = 4; // CLA INS P1 P2
} // namespace

std::optional<std::vector<uint8_t>> UnwrapIsoApdu(const std::vector<uint8_t>& apdu, uint16_t* refusal)
{
    if (apdu.size() < kHeader) {
        *refusal = iso::kWrongLength;
        return std::nullopt;
    }
    if (apdu[0] != iso::kNativeClass) {
        // The card's own ISO commands (SELECT, READ BINARY, ...) are not
        // served here: for the interindustry class every instruction is
        // unknown, any other class is not the card's at all.
        *refusal = apdu[0] == iso::kInterindustryClass ? iso::kInstructionNotSupported : iso::kClassNotSupported;
        return std::nullopt;
    }
    if (apdu[2] != 0 || apdu[3] != 0) {
        *refusal = iso::kWrongP1P2;
        return std::nullopt;
    }
    std::vector<uint8_t> frame{apdu[1]};
    // Short APDUs only: header alone, header and Le, header Lc data, or
    // header Lc data Le. Lc 0 would open an extended length field, which
    // the card does not take.
    if (apdu.size() > kHeader + 1) {
        const size_t lc = apdu[kHeader];
        const size_t n = apdu.size();
        if (lc == 0 || (n != kHeader + 1 + lc && n != kHeader + 2 + lc)) {
            *refusal = iso::kWrongLength;
            return std::nullopt;
        }
        frame.insert(frame.end(), apdu.begin() + kHeader + 1, apdu.begin() + static_cast<long>(kHeader + 1 + lc));
    }
    return frame;
}

std::vector<uint8_t> WrapIsoAnswer(const std::vector<uint8_t>& nativeAnswer)
{
    // A card that did not answer at all has nothing to report but a
    // failure without a more precise diagnosis.
    if (nativeAnswer.empty()) return IsoStatusWord(iso::kNoDiagnosis);
    std::vector<uint8_t> response(nativeAnswer.begin() + 1, nativeAnswer.end());
    response.push_back(iso::kNativeStatusSw1);
    response.push_back(nativeAnswer[0]);
    return response;
}

std::vector<uint8_t> IsoStatusWord(uint16_t sw)
{
    return {static_cast<uint8_t>(sw >> 8), static_cast<uint8_t>(sw)};
}

} // namespace kavex::sim::desfire
