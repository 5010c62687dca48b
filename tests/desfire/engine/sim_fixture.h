// The SDK over a real pseudo-terminal against the simulated reader, with a
// simulated DESFire EV1 card in its field.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "desfire/exchange.h"
#include "sdk/core/port_registry.h"
#include "kavex.h"
#include "sim/desfire/desfire_card.h"
#include "sim/pty_reader.h"

namespace enginetest {

using Bytes = std::vector<uint8_t>;
using kavex::sim::desfire::CryptoMethod;
using kavex::sim::desfire::DesfireCard;
using kavex::sim::desfire::DesfireCardOptions;

const Bytes kZeroKey(16, 0x00);
const Bytes kAesKey = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
const Bytes k2K3DesKey = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                          0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

// Lets a test spoil the card's next answer on its way to the reader.
class TamperingCard : public kavex::sim::Card {
public:
    using Tamper = std::function<void(Bytes& answer)>;
    using Match = std::function<bool(const Bytes& command, const Bytes& answer)>;
    explicit TamperingCard(std::shared_ptr<kavex::sim::Card> inner) : inner_(std::move(inner)) {}

    // Applied once, to the next answer that matches.
    void TamperNext(
        Tamper t, Match when = [](const Bytes&, const Bytes&) { return true; })
    {
        std::lock_guard<std::mutex> lock(mu_);
        next_ = std::move(t);
        when_ = std::move(when);
    }
    std::vector<Bytes> Commands() const
    {
        std::lock_guard<std::mutex> lock(mu_);
        return commands_;
    }

    void OnFieldReset() override { inner_->OnFieldReset(); }
    uint16_t Atqa() const override { return inner_->Atqa(); }
    uint8_t Sak() const override { return inner_->Sak(); }
    Bytes Uid() override { return inner_->Uid(); }
    Bytes Ats() const override { return inner_->Ats(); }
    Bytes Transceive(const Bytes& command) override
    {
        Bytes answer = inner_->Transceive(command);
        std::lock_guard<std::mutex> lock(mu_);
        commands_.push_back(command);
        if (next_ && when_(command, answer)) {
            next_(answer);
            next_ = nullptr;
        }
        return answer;
    }

private:
    std::shared_ptr<kavex::sim::Card> inner_;
    mutable std::mutex mu_;
    Tamper next_;
    Match when_;
    std::vector<Bytes> commands_;
};

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

class SimTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (h > 0) Kavex_ClosePort(h);
        if (reader) reader->Stop();
    }

    // Starts the reader with the given card (a fresh DesfireCard when none)
    // and opens the SDK port on it.
    void Open(std::shared_ptr<kavex::sim::Card> card = nullptr, kavex::sim::ReaderConfig config = {})
    {
        if (!card) {
            desfire = std::make_shared<DesfireCard>();
            card = desfire;
        }
        tamper = std::make_shared<TamperingCard>(card);
        static int counter = 0;
        const std::string link = "/tmp/kavex-engine-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
        reader = std::make_unique<kavex::sim::PtyReader>(config, tamper);
        reader->Start(link);
        h = Kavex_OpenPort(link.c_str(), 11520000, 1000);
        ASSERT_GT(h, 0) << "no simulated reader on " << link;
        Sim().ClearLog();
    }

    // The activation sequence of the main window.
    void Activate()
    {
        ASSERT_EQ(Kavex_SetRF(h, 0), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_EQ(Kavex_SetRF(h, 1), 0);
        unsigned short atqa = 0;
        ASSERT_EQ(Kavex_RequestA(h, &atqa), 0);
        uint8_t uidBuf[10], sakOut = 0;
        const int n = Kavex_AnticollSelect(h, uidBuf, sizeof uidBuf, &sakOut);
        ASSERT_GT(n, 0);
        uid.assign(uidBuf, uidBuf + n);
        sak = sakOut;
        if (!(sak & 0x20)) return;
        uint8_t atsBuf[20];
        const int m = Kavex_RATS(h, atsBuf, sizeof atsBuf);
        ASSERT_GE(m, 2);
        ats.assign(atsBuf, atsBuf + m);
        const uint8_t b = ats[1];
        const int dri = b & 4 ? 3 : b & 2 ? 2 : b & 1 ? 1 : 0;
        const int dsi = b & 0x40 ? 3 : b & 0x20 ? 2 : b & 0x10 ? 1 : 0;
        ASSERT_EQ(Kavex_PPS(h, static_cast<unsigned char>(dri | dsi << 2)), 0);
    }

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

    int Status() { return Kavex_GetLastError(h); }
    kavex::sim::ReaderSimulator& Sim() { return reader->Sim(); }
    size_t Exchanges() { return Sim().CountReceived(0x45); }
    kavex::CKavex_Port& Port() { return *kavex::CKavex_SDKApp::Instance().FindPort(h); }
    kavex::desfire::CDatenFuerDesfireInPort& Host() { return kavex::desfire::Session(Port()); }

    // Host and card hold the same chaining value.
    void ExpectIvInStep()
    {
        const Bytes cardIv = desfire->CurrentSession().Iv();
        EXPECT_EQ(Bytes(Host().crypt.iv, Host().crypt.iv + cardIv.size()), cardIv);
    }

    std::unique_ptr<kavex::sim::PtyReader> reader;
    std::shared_ptr<DesfireCard> desfire;
    std::shared_ptr<TamperingCard> tamper;
    int h = -1;
    Bytes uid, ats;
    uint8_t sak = 0;
};

} // namespace enginetest
