// A fresh simulated card with a reproducible random source, and the host
// steps the tests repeat.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "reference_host.h"
#include "sim/desfire/desfire_card.h"

namespace desfire_test {

using reference::Algo;
using reference::Bytes;
using reference::HostSession;
using kavex::sim::desfire::CryptoMethod;
using kavex::sim::desfire::DesfireCard;
using kavex::sim::desfire::DesfireCardOptions;

inline const Bytes kZeroKey(16, 0x00);
inline const Bytes kAesKey{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                           0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
inline const Bytes k2K3DesKey{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                              0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

inline DesfireCardOptions SeededOptions(uint32_t seed = 7) {
    DesfireCardOptions o;
    auto gen = std::make_shared<std::mt19937>(seed);
    o.random = [gen](uint8_t* out, size_t len) {
        for (size_t i = 0; i < len; ++i) out[i] = static_cast<uint8_t>((*gen)());
    };
    return o;
}

class CardTest : public ::testing::Test {
protected:
    explicit CardTest(DesfireCardOptions options = SeededOptions()) : card(std::move(options)) {}

    Bytes Tx(const Bytes& frame) { return card.Transceive(frame); }

    static Bytes RndA(size_t n, uint8_t start = 0xA0) {
        Bytes r(n);
        for (size_t i = 0; i < n; ++i) r[i] = static_cast<uint8_t>(start + i * 7);
        return r;
    }

    // Replaces the card master key as a later ChangeKey would.
    void SetMasterKey(CryptoMethod method, const Bytes& key) {
        auto& keys = card.State().masterKeys;
        keys.method = method;
        std::copy(key.begin(), key.end(), keys.keys[0].value.begin());
    }

    static Algo AlgoOf(CryptoMethod m) {
        return m == CryptoMethod::Aes ? Algo::Aes : m == CryptoMethod::Tdes3K ? Algo::Tdes3K : Algo::Tdes;
    }

    // Authenticates with key keyNo of the selected level; fails the test
    // when the card refuses.
    HostSession Auth(Algo algo, const Bytes& key, uint8_t keyNo = 0) {
        const bool aes = algo == Algo::Aes;
        auto r = reference::Authenticate(card, aes ? 0xAA : 0x1A, keyNo, algo, key,
                                         RndA(algo == Algo::Tdes ? 8 : 16));
        EXPECT_EQ(r.status, 0x00);
        EXPECT_TRUE(r.cardProvedKey);
        return r.session;
    }

    // A plain command in an authenticated session; checks the answer MAC.
    Bytes MacedTx(HostSession& s, const Bytes& cmd) {
        s.Command(cmd);
        Bytes answer = Tx(cmd);
        if (!answer.empty() && answer[0] == 0x00) {
            EXPECT_TRUE(s.AnswerMacOk(answer)) << "answer MAC of command " << int(cmd[0]);
            answer.resize(answer.size() >= 9 ? answer.size() - 8 : 1);
        }
        return answer;
    }

    Bytes CreateApp(uint32_t aid, uint8_t settings, uint8_t keyByte) {
        return Tx({0xCA, uint8_t(aid), uint8_t(aid >> 8), uint8_t(aid >> 16), settings, keyByte});
    }
    Bytes Select(uint32_t aid) { return Tx({0x5A, uint8_t(aid), uint8_t(aid >> 8), uint8_t(aid >> 16)}); }

    bool CardAuthenticated() const { return card.CurrentSession().Authenticated(); }

    DesfireCard card;
};

} // namespace desfire_test
