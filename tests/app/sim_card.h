// The simulated reader with a simulated DESFire EV1 card on a pty, a port
// opened on it and the card activated: what the card session helpers and
// the main window are tested against.
#pragma once

#include "sim/desfire/desfire_card.h"
#include "sim/pty_reader.h"

#include "kavex.h"

#include "tests/app/isolated_settings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <unistd.h>

namespace velmora::test {

namespace desfire = kavex::sim::desfire;

inline std::string UniqueLinkPath()
{
    static std::atomic<int> counter{0};
    return "/tmp/velmora-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

struct SimReader {
    explicit SimReader(kavex::sim::ReaderConfig config = {})
        : card(std::make_shared<desfire::DesfireCard>(Options())), pty(config, card), link(UniqueLinkPath())
    {
        pty.Start(link);
    }
    static desfire::DesfireCardOptions Options()
    {
        desfire::DesfireCardOptions o;
        uint8_t next = 1;
        // Reproducible "random" numbers keep failures reproducible.
        o.random = [next](uint8_t* out, size_t len) mutable {
            for (size_t i = 0; i < len; ++i) out[i] = next++;
        };
        return o;
    }
    kavex::sim::ReaderSimulator& Sim() { return pty.Sim(); }
    desfire::CardState& State() { return card->State(); }

    // Adds an application with one key (all zero) and the given files.
    void AddApplication(uint32_t aid, std::initializer_list<uint8_t> files = {}, uint8_t settings = 0x0F,
                        desfire::CryptoMethod method = desfire::CryptoMethod::Tdes)
    {
        desfire::Application app;
        app.aid = aid;
        app.keys = State().NewApplicationKeys(method, settings, 1);
        for (uint8_t f : files) {
            desfire::DesfireFile file;
            file.size = 32;
            file.data.assign(32, 0);
            app.files[f] = file;
        }
        State().applications[aid] = app;
    }

    std::shared_ptr<desfire::DesfireCard> card;
    kavex::sim::PtyReader pty;
    std::string link;
};

// A port on the simulated reader with the card activated.
class SimCardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        port = Kavex_OpenPort(reader.link.c_str(), 19200, 500);
        ASSERT_GT(port, 0);
        Activate();
    }
    void TearDown() override
    {
        if (port > 0) Kavex_ClosePort(port);
    }
    void Activate()
    {
        unsigned short atqa = 0;
        unsigned char uid[10] = {};
        unsigned char sak = 0;
        unsigned char ats[20] = {};
        ASSERT_GE(Kavex_RequestA(port, &atqa), 0);
        ASSERT_GE(Kavex_AnticollSelect(port, uid, sizeof uid, &sak), 0);
        ASSERT_GE(Kavex_RATS(port, ats, sizeof ats), 0);
    }
    size_t CardCommands() { return reader.Sim().CountReceived(0x45); }

    IsolatedSettings settings;
    SimReader reader;
    int port = 0;
};

} // namespace velmora::test
