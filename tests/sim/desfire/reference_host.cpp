#include "tests/sim/desfire/reference_host.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>

#include <stdexcept>

#include "sim/card.h"

namespace reference {
namespace {

const EVP_CIPHER* Cipher(Algo algo, bool cbc)
{
    switch (algo) {
    case Algo::Tdes: return cbc ? EVP_des_ede_cbc() : EVP_des_ede_ecb();
    case Algo::Tdes3K: return cbc ? EVP_des_ede3_cbc() : EVP_des_ede3_ecb();
    case Algo::Aes: return cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    }
    return nullptr;
}

Bytes Run(Algo algo, bool cbc, bool encrypt, const Bytes& key, const Bytes* iv, const Bytes& in)
{
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    Bytes out(in.size() + 32);
    int n1 = 0, n2 = 0;
    bool ok = EVP_CipherInit_ex(ctx, Cipher(algo, cbc), nullptr, key.data(), iv ? iv->data() : nullptr,
                                encrypt ? 1 : 0) == 1 &&
              EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
              EVP_CipherUpdate(ctx, out.data(), &n1, in.data(), static_cast<int>(in.size())) == 1 &&
              EVP_CipherFinal_ex(ctx, out.data() + n1, &n2) == 1;
    EVP_CIPHER_CTX_free(ctx);
    if (!ok) throw std::runtime_error("OpenSSL cipher failed");
    out.resize(static_cast<size_t>(n1 + n2));
    return out;
}

Bytes Shift(const Bytes& in)
{
    Bytes out(in.size());
    for (size_t i = 0; i < in.size(); ++i)
        out[i] = static_cast<uint8_t>(in[i] << 1 | (i + 1 < in.size() ? in[i + 1] >> 7 : 0));
    if (in[0] & 0x80) out.back() ^= in.size() == 16 ? 0x87 : 0x1B;
    return out;
}

} // namespace

size_t BlockSize(Algo algo)
{
    return algo == Algo::Aes ? 16 : 8;
}

Bytes EcbEncrypt(Algo algo, const Bytes& key, const Bytes& block)
{
    return Run(algo, false, true, key, nullptr, block);
}

Bytes EcbDecrypt(Algo algo, const Bytes& key, const Bytes& block)
{
    return Run(algo, false, false, key, nullptr, block);
}

Bytes CbcEncrypt(Algo algo, const Bytes& key, Bytes& iv, const Bytes& data)
{
    Bytes out = Run(algo, true, true, key, &iv, data);
    iv.assign(out.end() - static_cast<long>(BlockSize(algo)), out.end());
    return out;
}

Bytes CbcDecrypt(Algo algo, const Bytes& key, Bytes& iv, const Bytes& data)
{
    Bytes out = Run(algo, true, false, key, &iv, data);
    iv.assign(data.end() - static_cast<long>(BlockSize(algo)), data.end());
    return out;
}

Bytes ChainedCmac(Algo algo, const Bytes& key, Bytes& iv, const Bytes& data)
{
    const size_t bs = BlockSize(algo);
    const Bytes k1 = Shift(EcbEncrypt(algo, key, Bytes(bs, 0)));
    const Bytes k2 = Shift(k1);
    Bytes m = data;
    const bool complete = !m.empty() && m.size() % bs == 0;
    if (!complete) {
        m.push_back(0x80);
        while (m.size() % bs) m.push_back(0);
    }
    const Bytes& k = complete ? k1 : k2;
    for (size_t i = 0; i < bs; ++i) m[m.size() - bs + i] ^= k[i];
    CbcEncrypt(algo, key, iv, m);
    return Bytes(iv.begin(), iv.begin() + 8);
}

Bytes OpensslCmac(Algo algo, const Bytes& key, const Bytes& data)
{
    const char* name = algo == Algo::Aes ? "AES-128-CBC" : algo == Algo::Tdes ? "DES-EDE-CBC" : "DES-EDE3-CBC";
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, "CMAC", nullptr);
    EVP_MAC_CTX* ctx = EVP_MAC_CTX_new(mac);
    OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, const_cast<char*>(name), 0),
                           OSSL_PARAM_construct_end()};
    Bytes out(16);
    size_t len = 0;
    bool ok = EVP_MAC_init(ctx, key.data(), key.size(), params) == 1 &&
              EVP_MAC_update(ctx, data.data(), data.size()) == 1 &&
              EVP_MAC_final(ctx, out.data(), &len, out.size()) == 1;
    EVP_MAC_CTX_free(ctx);
    EVP_MAC_free(mac);
    if (!ok) throw std::runtime_error("OpenSSL CMAC failed");
    out.resize(len);
    return out;
}

uint32_t Crc32(const Bytes& data)
{
    uint32_t crc = 0xFFFFFFFF;
    for (uint8_t b : data) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) crc = (crc >> 1) ^ (crc & 1 ? 0xEDB88320u : 0);
    }
    return crc;
}

Bytes Le32(uint32_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

Bytes Cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes RotateLeft(const Bytes& v)
{
    Bytes r(v.begin() + 1, v.end());
    r.push_back(v.front());
    return r;
}

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

} // namespace reference
