// A simulated reader on a pty for the SDK's tests, with a link path of its
// own per instance so tests never meet each other's readers.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <unistd.h>

#include "sim/pty_reader.h"
#include "sim/test_card.h"

namespace kavex::test {

inline std::string UniqueLinkPath()
{
    static std::atomic<int> counter{0};
    return "/tmp/kavex-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

struct SimReader {
    explicit SimReader(sim::ReaderConfig config = {},
                       std::shared_ptr<sim::Card> card = std::make_shared<sim::TestCard>())
        : pty(config, card), link(UniqueLinkPath())
    {
        pty.Start(link);
    }
    sim::ReaderSimulator& Sim() { return pty.Sim(); }

    sim::PtyReader pty;
    std::string link;
};

inline sim::ReaderConfig Variant(int v, uint8_t address = 1)
{
    sim::ReaderConfig c;
    c.variant = v;
    c.address = address;
    return c;
}

} // namespace kavex::test
