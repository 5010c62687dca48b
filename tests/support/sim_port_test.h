// A port opened through the public API on the simulated reader, with a
// DESFire EV1 card in its field unless a test puts another card there.
// The SDK itself comes from the test: kavex_internal or libkavex.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "kavex.h"
#include "tests/support/sim_reader.h"

namespace kavex::test {

class SimPortTest : public ::testing::Test {
protected:
    explicit SimPortTest(const sim::desfire::DesfireCardOptions& options = {})
        : reader({}, options), desfire(reader.desfire), tamper(reader.tamper)
    {
    }

    void TearDown() override
    {
        if (h > 0) Kavex_ClosePort(h);
        reader.pty.Stop();
    }

    // Puts `card` in the field (the DESFire card when none), applies
    // `config` and opens the port.
    void Open(std::shared_ptr<sim::Card> card = nullptr, std::optional<sim::ReaderConfig> config = std::nullopt,
              int baud = 11520000, int timeoutMs = 1000)
    {
        if (card) {
            reader.Insert(card);
            desfire = reader.desfire;
            tamper = reader.tamper;
        }
        if (config) Sim().SetConfig(*config);
        h = Kavex_OpenPort(reader.link.c_str(), baud, timeoutMs);
        ASSERT_GT(h, 0) << "no simulated reader on " << reader.link;
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

    int Status() { return Kavex_GetLastError(h); }
    sim::ReaderSimulator& Sim() { return reader.Sim(); }
    // Card exchanges the reader has been asked for.
    size_t Exchanges() { return Sim().CountReceived(0x45); }

    SimReader reader;
    std::shared_ptr<sim::desfire::DesfireCard> desfire;
    std::shared_ptr<TamperingCard> tamper;
    int h = -1;
    Bytes uid, ats;
    uint8_t sak = 0;
};

} // namespace kavex::test
