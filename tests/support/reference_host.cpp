#include "tests/support/reference_host.h"

#include "sim/card.h"

namespace kavex::test::reference {

void HostSession::Command(const Bytes& cmd)
{
    ChainedCmac(algo, sessionKey, iv, cmd);
}

bool HostSession::AnswerMacOk(const Bytes& answer)
{
    if (answer.size() < 9) return false;
    Bytes input(answer.begin() + 1, answer.end() - 8);
    input.push_back(answer[0]);
    return ChainedCmac(algo, sessionKey, iv, input) == Bytes(answer.end() - 8, answer.end());
}

Bytes HostSession::Enciphered(const Bytes& header, const Bytes& data, bool isoPadding)
{
    Bytes plain = Cat(data, Le32(Crc32(Cat(header, data))));
    if (isoPadding) plain.push_back(0x80);
    while (plain.size() % Bs()) plain.push_back(0);
    return Cat(header, CbcEncrypt(algo, sessionKey, iv, plain));
}

Bytes HostSession::Decipher(const Bytes& ct)
{
    return CbcDecrypt(algo, sessionKey, iv, ct);
}

AuthResult Authenticate(kavex::sim::Card& card, uint8_t cmd, uint8_t keyNo, Algo algo, const Bytes& key,
                        const Bytes& rndA)
{
    AuthResult r;
    const size_t n = rndA.size();
    Bytes answer = card.Transceive({cmd, keyNo});
    r.status = answer.empty() ? 0xFF : answer[0];
    if (answer.size() != 1 + n || r.status != 0xAF) return r;

    Bytes iv(BlockSize(algo), 0);
    r.rndB = CbcDecrypt(algo, key, iv, Bytes(answer.begin() + 1, answer.end()));
    Bytes second{0xAF};
    second = Cat(second, CbcEncrypt(algo, key, iv, Cat(rndA, RotateLeft(r.rndB))));
    answer = card.Transceive(second);
    r.status = answer.empty() ? 0xFF : answer[0];
    if (answer.size() != 1 + n || r.status != 0x00) return r;
    r.cardProvedKey = CbcDecrypt(algo, key, iv, Bytes(answer.begin() + 1, answer.end())) == RotateLeft(rndA);

    const Bytes& a = rndA;
    const Bytes& b = r.rndB;
    auto part = [](const Bytes& src, size_t from) { return Bytes(src.begin() + from, src.begin() + from + 4); };
    Bytes sk;
    if (algo == Algo::Aes) {
        sk = Cat(Cat(part(a, 0), part(b, 0)), Cat(part(a, 12), part(b, 12)));
    } else if (algo == Algo::Tdes3K) {
        sk = Cat(Cat(Cat(part(a, 0), part(b, 0)), Cat(part(a, 6), part(b, 6))), Cat(part(a, 12), part(b, 12)));
    } else {
        const bool des = Bytes(key.begin(), key.begin() + 8) == Bytes(key.begin() + 8, key.begin() + 16);
        sk = Cat(Cat(part(a, 0), part(b, 0)), Cat(part(a, des ? 0 : 4), part(b, des ? 0 : 4)));
    }
    r.session.algo = algo;
    r.session.sessionKey = sk;
    r.session.iv.assign(BlockSize(algo), 0);
    return r;
}

} // namespace kavex::test::reference
