// The engine's own DES, triple DES and AES against OpenSSL on the same
// 8 KB: CBC encryption and CMAC, each with its key set up per operation as
// the engine does for every frame. OpenSSL runs in software (main() masks
// the processor's AES instructions), so both sides do the same work.
#include "bench/bench_table.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include "desfire/crypto/session_cipher.h"

namespace kavex::bench {

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

constexpr size_t kDataSize = 8192;
constexpr int kOperations = 100;

struct Algo {
    const char* name;
    uint8_t method;       // DF8Crypt's
    Bytes key;            // 16 bytes for the engine
    const char* cbcName;  // OpenSSL's cipher
    const char* cmacName; // OpenSSL's CMAC cipher
    Bytes opensslKey;     // the same key as OpenSSL takes it
};

// Microseconds per call of op, the median over repetitions.
double MicrosPer(const std::function<void()>& op, int repetitions)
{
    std::vector<double> per;
    for (int r = 0; r < repetitions; ++r) {
        const auto t0 = Clock::now();
        for (int i = 0; i < kOperations; ++i) op();
        per.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / kOperations);
    }
    return Median(per);
}

void EngineCbc(const Algo& a, const Bytes& in, Bytes& out)
{
    crypto::DF8Crypt c;
    c.Init(a.method);
    c.EncryptCBC(a.key.data(), in.data(), out.data(), in.size());
}

void EngineCmac(const Algo& a, const Bytes& in, uint8_t* mac)
{
    crypto::DF8Crypt c;
    c.Init(a.method);
    std::copy(a.key.begin(), a.key.end(), c.sessionKey);
    c.DeriveCmacSubkeys();
    c.CalcCMAC(in.data(), in.size(), mac);
}

bool OpensslCbc(EVP_CIPHER_CTX* ctx, const EVP_CIPHER* cipher, const Algo& a, const Bytes& in, Bytes& out)
{
    const uint8_t iv[16] = {};
    int n = 0;
    return EVP_EncryptInit_ex(ctx, cipher, nullptr, a.opensslKey.data(), iv) == 1 &&
           EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
           EVP_EncryptUpdate(ctx, out.data(), &n, in.data(), static_cast<int>(in.size())) == 1;
}

bool OpensslCmac(EVP_MAC* mac, const Algo& a, const Bytes& in, uint8_t* out)
{
    EVP_MAC_CTX* ctx = EVP_MAC_CTX_new(mac);
    OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, const_cast<char*>(a.cmacName), 0),
                           OSSL_PARAM_construct_end()};
    size_t len = 0;
    const bool ok = ctx && EVP_MAC_init(ctx, a.opensslKey.data(), a.opensslKey.size(), params) == 1 &&
                    EVP_MAC_update(ctx, in.data(), in.size()) == 1 && EVP_MAC_final(ctx, out, &len, 16) == 1;
    EVP_MAC_CTX_free(ctx);
    return ok;
}

} // namespace

Rows CryptoBenchmarks(int repetitions)
{
    const Bytes k1 = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    const Bytes k2 = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
    Bytes desKey = k1, tdesKey = k1, aesKey(16);
    desKey.insert(desKey.end(), k1.begin(), k1.end());
    tdesKey.insert(tdesKey.end(), k2.begin(), k2.end());
    for (size_t i = 0; i < aesKey.size(); ++i) aesKey[i] = static_cast<uint8_t>(i * 17);
    const Algo algos[] = {
        {"DES", crypto::DF8Crypt::kMethod3DES, desKey, "DES-CBC", "DES-CBC", k1},
        {"3DES (2 keys)", crypto::DF8Crypt::kMethod3DES, tdesKey, "DES-EDE-CBC", "DES-EDE-CBC", tdesKey},
        {"AES-128", crypto::DF8Crypt::kMethodAES, aesKey, "AES-128-CBC", "AES-128-CBC", aesKey},
    };
    // Single DES lives in OpenSSL's legacy provider, which a system may lack.
    OSSL_PROVIDER_load(nullptr, "default");
    OSSL_PROVIDER_load(nullptr, "legacy");

    Bytes in(kDataSize), out(kDataSize + 16);
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i * 13 + 7);
    uint8_t mac[16];
    Rows rows;
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_MAC* cmac = EVP_MAC_fetch(nullptr, "CMAC", nullptr);
    for (const Algo& a : algos) {
        EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, a.cbcName, nullptr);
        if (!cipher || !cmac) {
            rows.push_back({"crypto", std::string(a.name) + ": OpenSSL", "not available", ""});
            EVP_CIPHER_free(cipher);
            continue;
        }
        const double ourCbc = MicrosPer([&] { EngineCbc(a, in, out); }, repetitions);
        const double theirCbc = MicrosPer([&] { OpensslCbc(ctx, cipher, a, in, out); }, repetitions);
        const double ourMac = MicrosPer([&] { EngineCmac(a, in, mac); }, repetitions);
        const double theirMac = MicrosPer([&] { OpensslCmac(cmac, a, in, mac); }, repetitions);
        rows.push_back({"crypto", std::string(a.name) + " CBC 8 KB: ours / OpenSSL",
                        Format("%.0f us", ourCbc) + " / " + Format("%.0f us", theirCbc) + " = " +
                            Format("%.2f", ourCbc / theirCbc),
                        "<= 3"});
        rows.push_back({"crypto", std::string(a.name) + " CMAC 8 KB: ours / OpenSSL",
                        Format("%.0f us", ourMac) + " / " + Format("%.0f us", theirMac) + " = " +
                            Format("%.2f", ourMac / theirMac),
                        "<= 3"});
        EVP_CIPHER_free(cipher);
    }
    EVP_MAC_free(cmac);
    EVP_CIPHER_CTX_free(ctx);
    return rows;
}

} // namespace kavex::bench
