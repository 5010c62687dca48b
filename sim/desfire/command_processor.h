// Runs native DESFire frames against a card state: dispatch to the command
// families, frame chaining in both directions, answer MACs, and the rule
// that every error costs the session its authentication.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "sim/desfire/commands.h"

namespace kavex::sim::desfire {

class CommandProcessor {
public:
    // Most data bytes the card puts into one answer frame.
    static constexpr size_t kMaxFrameData = 59;
    // Longest frame the card takes from the host (its frame buffer).
    static constexpr size_t kMaxCommandFrame = 60;

    CommandProcessor(CardState& state, Session& session, RandomSource random);

    std::vector<uint8_t> Process(const std::vector<uint8_t>& frame);
    // Forgets an unfinished command and the open transaction (field reset).
    void Abort();
    bool CommandPending() const { return static_cast<bool>(pending_); }

private:
    std::vector<uint8_t> Run(const std::vector<uint8_t>& frame);
    std::vector<uint8_t> Finish(Reply reply);
    std::vector<uint8_t> Fail(uint8_t status);
    // Hands out the queued frames of a chained answer, one per 0xAF.
    Continuation NextQueuedFrame();

    CardState& state_;
    Session& session_;
    RandomSource random_;
    CommandTable table_;
    Continuation pending_;
    std::deque<std::vector<uint8_t>> queuedFrames_;
};

} // namespace kavex::sim::desfire
