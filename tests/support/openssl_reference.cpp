#include "tests/support/openssl_reference.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/provider.h>

#include <stdexcept>

namespace kavex::test::reference {
namespace {

// Loaded once for the whole process: loading the legacy provider needs the
// default one loaded explicitly too, or the default algorithms vanish.
struct LegacyDes {
    LegacyDes()
    {
        if (!OSSL_PROVIDER_load(nullptr, "default") || !OSSL_PROVIDER_load(nullptr, "legacy")) return;
        cbc = EVP_CIPHER_fetch(nullptr, "DES-CBC", nullptr);
        ecb = EVP_CIPHER_fetch(nullptr, "DES-ECB", nullptr);
    }
    EVP_CIPHER* cbc = nullptr;
    EVP_CIPHER* ecb = nullptr;
};

const LegacyDes& Legacy()
{
    static const LegacyDes des;
    return des;
}

const EVP_CIPHER* CipherOf(Algo algo, bool cbc)
{
    switch (algo) {
    case Algo::Des: return cbc ? Legacy().cbc : Legacy().ecb;
    case Algo::Tdes: return cbc ? EVP_des_ede_cbc() : EVP_des_ede_ecb();
    case Algo::Tdes3K: return cbc ? EVP_des_ede3_cbc() : EVP_des_ede3_ecb();
    case Algo::Aes: return cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    }
    return nullptr;
}

Bytes Run(Algo algo, bool cbc, bool encrypt, const Bytes& key, const Bytes* iv, const Bytes& in)
{
    const EVP_CIPHER* type = CipherOf(algo, cbc);
    if (!type) throw std::runtime_error("OpenSSL offers no such cipher here");
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    Bytes out(in.size() + 32);
    int n1 = 0, n2 = 0;
    const bool ok =
        ctx && EVP_CipherInit_ex(ctx, type, nullptr, key.data(), iv ? iv->data() : nullptr, encrypt ? 1 : 0) == 1 &&
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

bool SingleDesAvailable()
{
    return Legacy().cbc && Legacy().ecb;
}

Bytes EcbEncrypt(Algo algo, const Bytes& key, const Bytes& data)
{
    return Run(algo, false, true, key, nullptr, data);
}

Bytes EcbDecrypt(Algo algo, const Bytes& key, const Bytes& data)
{
    return Run(algo, false, false, key, nullptr, data);
}

Bytes CbcEncrypt(Algo algo, const Bytes& key, Bytes& iv, const Bytes& data)
{
    Bytes out = Run(algo, true, true, key, &iv, data);
    if (!out.empty()) iv.assign(out.end() - static_cast<long>(BlockSize(algo)), out.end());
    return out;
}

Bytes CbcDecrypt(Algo algo, const Bytes& key, Bytes& iv, const Bytes& data)
{
    Bytes out = Run(algo, true, false, key, &iv, data);
    if (!data.empty()) iv.assign(data.end() - static_cast<long>(BlockSize(algo)), data.end());
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
    const char* name = algo == Algo::Aes      ? "AES-128-CBC"
                       : algo == Algo::Tdes   ? "DES-EDE-CBC"
                       : algo == Algo::Tdes3K ? "DES-EDE3-CBC"
                                              : "DES-CBC";
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, "CMAC", nullptr);
    EVP_MAC_CTX* ctx = mac ? EVP_MAC_CTX_new(mac) : nullptr;
    OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, const_cast<char*>(name), 0),
                           OSSL_PARAM_construct_end()};
    Bytes out(16);
    size_t len = 0;
    const bool ok = ctx && EVP_MAC_init(ctx, key.data(), key.size(), params) == 1 &&
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

Bytes Encrypt(const Cipher& c, Bytes& iv, Bytes data)
{
    data.resize((data.size() + c.Bs() - 1) / c.Bs() * c.Bs(), 0);
    return CbcEncrypt(c.Kind(), c.key, iv, data);
}

Bytes Decrypt(const Cipher& c, Bytes& iv, const Bytes& data)
{
    return CbcDecrypt(c.Kind(), c.key, iv, data);
}

Bytes Cmac(const Cipher& c, Bytes& iv, const Bytes& msg)
{
    return ChainedCmac(c.Kind(), c.key, iv, msg);
}

Bytes Crc(const Bytes& data)
{
    return Le32(Crc32(data));
}

} // namespace kavex::test::reference
