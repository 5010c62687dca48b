#include "tests/sim/desfire/file_host.h"

#include <algorithm>

#include "sim/card.h"

namespace desfire_test {

using reference::Cat;

Bytes Le24(uint32_t v)
{
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
}

Bytes TransferHeader(uint8_t code, uint8_t fileNo, uint32_t offset, uint32_t length)
{
    return Cat(Cat({code, fileNo}, Le24(offset)), Le24(length));
}

Outcome SendData(kavex::sim::Card& card, HostSession* s, const Bytes& header, const Bytes& data, Mode mode)
{
    Bytes wire = Cat(header, data);
    if (s) {
        switch (mode) {
        case Mode::Plain: s->Command(wire); break;
        case Mode::Mac: wire = Cat(wire, reference::ChainedCmac(s->algo, s->sessionKey, s->iv, wire)); break;
        case Mode::Enciphered: wire = s->Enciphered(header, data); break;
        }
    }
    Outcome out;
    size_t pos = std::min<size_t>(wire.size(), 60);
    Bytes answer = card.Transceive(Bytes(wire.begin(), wire.begin() + static_cast<long>(pos)));
    out.frames = 1;
    while (!answer.empty() && answer[0] == 0xAF && pos < wire.size()) {
        out.framesOk = out.framesOk && answer.size() == 1;
        const size_t n = std::min<size_t>(wire.size() - pos, 59);
        answer = card.Transceive(
            Cat({0xAF}, Bytes(wire.begin() + static_cast<long>(pos), wire.begin() + static_cast<long>(pos + n))));
        pos += n;
        ++out.frames;
    }
    out.status = answer.empty() ? 0xFF : answer[0];
    if (out.status == 0x00 && s) out.integrityOk = answer.size() == 9 && s->AnswerMacOk(answer);
    if (out.status == 0x00) out.framesOk = out.framesOk && pos == wire.size();
    return out;
}

Outcome Receive(kavex::sim::Card& card, HostSession* s, const Bytes& cmd, Mode mode, std::optional<size_t> payloadLen)
{
    if (s) s->Command(cmd);
    Outcome out;
    Bytes collected;
    Bytes answer = card.Transceive(cmd);
    out.frames = 1;
    while (!answer.empty() && answer[0] == 0xAF) {
        out.framesOk = out.framesOk && answer.size() == 60;
        collected.insert(collected.end(), answer.begin() + 1, answer.end());
        answer = card.Transceive({0xAF});
        ++out.frames;
    }
    out.status = answer.empty() ? 0xFF : answer[0];
    if (out.status != 0x00) return out;
    out.framesOk = out.framesOk && answer.size() <= 60;
    collected.insert(collected.end(), answer.begin() + 1, answer.end());

    if (!s) {
        out.data = collected;
        return out;
    }
    if (mode != Mode::Enciphered) {
        out.integrityOk = collected.size() >= 8 && s->AnswerMacOk(Cat({0x00}, collected));
        out.data.assign(collected.begin(), collected.end() - std::min<long>(8, long(collected.size())));
        return out;
    }
    if (collected.empty() || collected.size() % s->Bs() != 0) {
        out.integrityOk = false;
        return out;
    }
    const Bytes plain = s->Decipher(collected);
    size_t n = 0;
    if (payloadLen) {
        n = *payloadLen;
    } else {
        // The payload ends four bytes (the CRC) before the 0x80 marker.
        size_t last = plain.size();
        while (last > 0 && plain[last - 1] == 0) --last;
        if (last == 0 || plain[last - 1] != 0x80 || last < 5) {
            out.integrityOk = false;
            return out;
        }
        n = last - 1 - 4;
    }
    if (n + 4 > plain.size()) {
        out.integrityOk = false;
        return out;
    }
    out.data.assign(plain.begin(), plain.begin() + static_cast<long>(n));
    const Bytes crc(plain.begin() + static_cast<long>(n), plain.begin() + static_cast<long>(n) + 4);
    out.integrityOk = crc == reference::Le32(reference::Crc32(Cat(out.data, {0x00})));
    return out;
}

} // namespace desfire_test
