// A fresh simulated card with a reproducible random source, and the host
// steps the tests repeat.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>

#include "tests/support/reference_host.h"
#include "sim/desfire/desfire_card.h"

namespace desfire_test {

namespace reference = kavex::test::reference;
using kavex::sim::desfire::CryptoMethod;
using kavex::sim::desfire::DesfireCard;
using kavex::sim::desfire::DesfireCardOptions;
using reference::Algo;
using reference::Bytes;
using reference::HostSession;

inline const Bytes kZeroKey(16, 0x00);
inline const Bytes kAesKey{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                           0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
inline const Bytes k2K3DesKey{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                              0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

inline DesfireCardOptions SeededOptions(uint32_t seed = 7)
{
    DesfireCardOptions o;
    auto gen = std::make_shared<std::mt19937>(seed);
    o.random = [gen](uint8_t* out, size_t len) {
        for (size_t i = 0; i < len; ++i) out[i] = static_cast<uint8_t>((*gen)());
    };
    return o;
}

// ChangeKey as the host enciphers it: the new key, or for another key
// than the authenticated one the new key XOR the old one, the version
// byte when given, CRC32 over command, key number byte and those
// bytes, for another key CRC32 over the new key, zero padding.
inline Bytes ChangeKeyCmd(HostSession& s, uint8_t keyByte, const Bytes& newKey, std::optional<uint8_t> version,
                          const Bytes& oldKey = {})
{
    Bytes data = newKey;
    for (size_t i = 0; i < oldKey.size(); ++i) data[i] ^= oldKey[i];
    if (version) data.push_back(*version);
    const Bytes header{0xC4, keyByte};
    Bytes plain = reference::Cat(data, reference::Le32(reference::Crc32(reference::Cat(header, data))));
    if (!oldKey.empty()) plain = reference::Cat(plain, reference::Le32(reference::Crc32(newKey)));
    while (plain.size() % s.Bs()) plain.push_back(0);
    return reference::Cat(header, reference::CbcEncrypt(s.algo, s.sessionKey, s.iv, plain));
}

// Create commands; access rights as the 16-bit value (read, write,
// read&write, change from the top nibble down).
inline Bytes CreateDataFileCmd(uint8_t code, uint8_t no, uint8_t comm, uint16_t rights, uint32_t size,
                               std::optional<uint16_t> iso = {})
{
    Bytes c{code, no};
    if (iso) c.insert(c.end(), {uint8_t(*iso), uint8_t(*iso >> 8)});
    c.insert(c.end(),
             {comm, uint8_t(rights), uint8_t(rights >> 8), uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16)});
    return c;
}
inline Bytes CreateRecordFileCmd(uint8_t code, uint8_t no, uint8_t comm, uint16_t rights, uint32_t recordSize,
                                 uint32_t maxRecords, std::optional<uint16_t> iso = {})
{
    Bytes c = CreateDataFileCmd(code, no, comm, rights, recordSize, iso);
    c.insert(c.end(), {uint8_t(maxRecords), uint8_t(maxRecords >> 8), uint8_t(maxRecords >> 16)});
    return c;
}
inline Bytes CreateValueFileCmd(uint8_t no, uint8_t comm, uint16_t rights, int32_t lower, int32_t upper, int32_t value,
                                uint8_t flags)
{
    Bytes c{0xCC, no, comm, uint8_t(rights), uint8_t(rights >> 8)};
    for (int32_t v : {lower, upper, value}) {
        const Bytes le = reference::Le32(static_cast<uint32_t>(v));
        c.insert(c.end(), le.begin(), le.end());
    }
    c.push_back(flags);
    return c;
}

// A single-frame plain transfer: header (code, file, offset, length) and data.
inline Bytes TransferCmd(uint8_t code, uint8_t no, uint32_t offset, uint32_t length, const Bytes& data = {})
{
    Bytes c{code,
            no,
            uint8_t(offset),
            uint8_t(offset >> 8),
            uint8_t(offset >> 16),
            uint8_t(length),
            uint8_t(length >> 8),
            uint8_t(length >> 16)};
    c.insert(c.end(), data.begin(), data.end());
    return c;
}

class CardTest : public ::testing::Test {
protected:
    explicit CardTest(DesfireCardOptions options = SeededOptions()) : card(std::move(options)) {}

    Bytes Tx(const Bytes& frame) { return card.Transceive(frame); }

    static Bytes RndA(size_t n, uint8_t start = 0xA0)
    {
        Bytes r(n);
        for (size_t i = 0; i < n; ++i) r[i] = static_cast<uint8_t>(start + i * 7);
        return r;
    }

    // Replaces the card master key as a later ChangeKey would.
    void SetMasterKey(CryptoMethod method, const Bytes& key)
    {
        auto& keys = card.State().masterKeys;
        keys.method = method;
        std::copy(key.begin(), key.end(), keys.keys[0].value.begin());
    }

    static Algo AlgoOf(CryptoMethod m)
    {
        return m == CryptoMethod::Aes ? Algo::Aes : m == CryptoMethod::Tdes3K ? Algo::Tdes3K : Algo::Tdes;
    }

    // Authenticates with key keyNo of the selected level; fails the test
    // when the card refuses.
    HostSession Auth(Algo algo, const Bytes& key, uint8_t keyNo = 0)
    {
        const bool aes = algo == Algo::Aes;
        auto r = reference::Authenticate(card, aes ? 0xAA : 0x1A, keyNo, algo, key, RndA(algo == Algo::Tdes ? 8 : 16));
        EXPECT_EQ(r.status, 0x00);
        EXPECT_TRUE(r.cardProvedKey);
        return r.session;
    }

    // A plain command in an authenticated session; checks the answer MAC.
    Bytes MacedTx(HostSession& s, const Bytes& cmd)
    {
        s.Command(cmd);
        Bytes answer = Tx(cmd);
        if (!answer.empty() && answer[0] == 0x00) {
            EXPECT_TRUE(s.AnswerMacOk(answer)) << "answer MAC of command " << int(cmd[0]);
            answer.resize(answer.size() >= 9 ? answer.size() - 8 : 1);
        }
        return answer;
    }

    Bytes CreateApp(uint32_t aid, uint8_t settings, uint8_t keyByte)
    {
        return Tx({0xCA, uint8_t(aid), uint8_t(aid >> 8), uint8_t(aid >> 16), settings, keyByte});
    }
    Bytes Select(uint32_t aid) { return Tx({0x5A, uint8_t(aid), uint8_t(aid >> 8), uint8_t(aid >> 16)}); }

    bool CardAuthenticated() const { return card.CurrentSession().Authenticated(); }

    // Free memory as GetFreeMemory reports it (not authenticated).
    uint32_t FreeMemory()
    {
        const Bytes a = card.Transceive({0x6E});
        return a.size() >= 4 ? uint32_t(a[1] | a[2] << 8 | a[3] << 16) : 0xFFFFFFFF;
    }

    DesfireCard card;
};

} // namespace desfire_test
