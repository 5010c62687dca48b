// The engine's tests on the shared simulated reader: the session kinds and
// keys they run under, and a look at the port's engine state.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "desfire/exchange.h"
#include "kavex.h"
#include "sdk/core/port_registry.h"
#include "sim/desfire/desfire_card.h"
#include "tests/support/sim_port_test.h"

namespace enginetest {

using Bytes = std::vector<uint8_t>;
using kavex::sim::desfire::CryptoMethod;
using kavex::sim::desfire::DesfireCard;
using kavex::sim::desfire::DesfireCardOptions;
using kavex::test::TamperingCard;

const Bytes kZeroKey(16, 0x00);
const Bytes kAesKey = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
const Bytes k2K3DesKey = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                          0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

// Kind of session a test runs its commands in.
enum class Auth { None, Iso, Aes };

inline const char* AuthName(Auth a)
{
    return a == Auth::None ? "None" : a == Auth::Iso ? "ISO" : "AES";
}

// The key a test application's keys get for a session kind: a real
// two-key triple DES key for ISO sessions, an AES key otherwise.
inline const Bytes& KeyFor(Auth a)
{
    return a == Auth::Iso ? k2K3DesKey : kAesKey;
}

inline int AuthenticateAs(int h, Auth a, uint8_t keyNo, const Bytes& key)
{
    if (a == Auth::None) return 0;
    return a == Auth::Aes ? Kavex_DFAuthenticateAES(h, keyNo, key.data(), static_cast<int>(key.size()))
                          : Kavex_DFAuthenticateISO(h, keyNo, key.data(), static_cast<int>(key.size()));
}

// Bytes that differ from one position to the next and from one seed to
// another, so that a shifted or repeated chunk shows.
inline Bytes Pattern(size_t n, uint8_t seed = 1)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return b;
}

inline DesfireCardOptions FixedRndB()
{
    DesfireCardOptions o;
    o.random = [](uint8_t* out, size_t len) { std::fill(out, out + len, 0x5A); };
    return o;
}

class SimTest : public kavex::test::SimPortTest {
protected:
    // A card with room for files of more than one command's data.
    void OpenLargeCard()
    {
        DesfireCardOptions options;
        options.storageSize = 64 * 1024;
        desfire = std::make_shared<DesfireCard>(options);
        Open(desfire);
    }

    // Creates an application whose keys all hold the key of the session
    // kind (AES for None), with free directory access and free
    // create/delete, and selects it.
    void CreateAndSelectApplication(uint32_t aid, Auth a, int keyCount = 4)
    {
        ASSERT_EQ(Kavex_DFSelectApplication(h, 0), 0);
        ASSERT_EQ(Kavex_DFCreateApplication(h, aid, a == Auth::Iso ? 0 : 2, keyCount, 0, 0, 0xF, nullptr, 0), 0)
            << std::hex << Status();
        // Under the simulator's lock, which its I/O thread holds while it
        // drives the card.
        Sim().WithCard([&](kavex::sim::Card*) {
            for (auto& key : desfire->State().applications.at(aid).keys.keys)
                std::copy(KeyFor(a).begin(), KeyFor(a).end(), key.value.begin());
        });
        ASSERT_EQ(Kavex_DFSelectApplication(h, aid), 0);
    }

    void SetCardMasterKey(CryptoMethod method, const Bytes& key)
    {
        Sim().WithCard([&](kavex::sim::Card*) {
            auto& keys = desfire->State().masterKeys;
            keys.method = method;
            std::copy(key.begin(), key.end(), keys.keys[0].value.begin());
        });
    }

    kavex::CKavex_Port& Port() { return *kavex::CKavex_SDKApp::Instance().FindPort(h); }
    kavex::desfire::CDatenFuerDesfireInPort& Host() { return kavex::desfire::Session(Port()); }

    // Host and card hold the same chaining value.
    void ExpectIvInStep()
    {
        const Bytes cardIv = desfire->CurrentSession().Iv();
        EXPECT_EQ(Bytes(Host().crypt.iv, Host().crypt.iv + cardIv.size()), cardIv);
    }
};

} // namespace enginetest
