// CardSlot: the card as the PC/SC (vpcd) and PN532 front ends reach it.
// One lock around the card, APDUs and native frames in, injected faults
// applied to the answers, and a log of what passed.
//
// Faults are the reader simulator's `Fault` records; here they act on the
// card's answer: `no_answer` (the card stays mute), `delay`, `status` (the
// DESFire status byte, 91 xx of a wrapped answer), `data` (the answer data
// before the status) and, where the front end has a checksum on its wire,
// `corrupt_checksum`.
#pragma once

#include "sim/card.h"
#include "sim/reader_simulator.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kavex::sim {

// True when `frame` has the shape of an APDU (class 0x00 or 0x90) rather
// than a native DESFire frame, whose first byte is never either.
bool LooksLikeApdu(const Bytes& frame);

// The ATR a PC/SC reader builds for an ISO/IEC 14443-4 type A card from its
// ATS (without TL): 3B 8n 80 01, the n historical bytes (at most 15), TCK.
Bytes AtrFromAts(const Bytes& ats);

// One line of the log: "+  1.234 RX 90 60 00 00 00 (APDU)", "+  1.236 TX ...",
// "+  1.300 -- power off".
std::string FormatSlotEntry(const LogEntry& e, Clock::time_point origin);

class CardSlot {
public:
    explicit CardSlot(std::shared_ptr<Card> card);

    std::shared_ptr<Card> CurrentCard() const;

    struct Activation {
        uint16_t atqa = 0;
        uint8_t sak = 0;
        Bytes uid;
        Bytes ats; // without TL; empty: no ISO/IEC 14443-4
    };
    // The card's activation data; `powerUp`: the field has just come on
    // (a random UID is drawn), else the card is selected again and keeps
    // its UID. nullopt without a card.
    std::optional<Activation> Activate(bool powerUp);
    // The card loses power (field off): selection and authentication go.
    void PowerOff();

    struct Answer {
        Bytes bytes;
        bool mute = false;
        std::chrono::milliseconds delay{0};
        bool corruptChecksum = false;
    };
    // An ISO/IEC 7816-4 APDU (Card::TransceiveApdu) or a native frame.
    Answer Apdu(const Bytes& apdu);
    Answer Native(const Bytes& frame);

    // A line in the log for something that is not an exchange (power on, ...).
    void Note(const std::string& text);

    void InjectFault(Fault fault);
    void SetPersistentFault(std::optional<Fault> fault);
    void ClearFaults();

    std::vector<LogEntry> Log() const;
    bool WaitForLog(const std::function<bool(const std::vector<LogEntry>&)>& pred,
                    std::chrono::milliseconds timeout) const;
    void SetLogSink(std::function<void(const LogEntry&)> sink);
    Clock::time_point Origin() const { return origin_; }

private:
    Answer ExchangeLocked(const Bytes& request, bool apdu);
    void AppendLocked(LogEntry e);

    mutable std::mutex mu_;
    mutable std::condition_variable log_cv_;
    const Clock::time_point origin_;
    std::shared_ptr<Card> card_;
    std::deque<Fault> oneShot_;
    std::optional<Fault> persistent_;
    std::deque<LogEntry> log_;
    uint64_t seq_ = 0;
    std::function<void(const LogEntry&)> sink_;
};

} // namespace kavex::sim
