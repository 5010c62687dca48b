// A port on the simulated reader with a simulated DESFire EV1 card,
// activated as the main window does: what the card session helpers are
// tested against. Its "random" numbers count up, so failures reproduce.
#pragma once

#include "sim/desfire/desfire_card.h"
#include "tests/app/isolated_settings.h"
#include "tests/support/sim_port_test.h"

#include <optional>

namespace velmora::test {

namespace desfire = kavex::sim::desfire;

class SimCardTest : public kavex::test::SimPortTest {
protected:
    SimCardTest() : SimPortTest(kavex::test::CountingRandom()) {}
    void SetUp() override
    {
        Open(nullptr, std::nullopt, 19200, 500);
        Activate();
    }
    size_t CardCommands() { return Exchanges(); }

    IsolatedSettings settings;
    // The handle under the name the card session helpers give it.
    const int& port = h;
};

} // namespace velmora::test
