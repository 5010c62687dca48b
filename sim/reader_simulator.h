// ReaderSimulator: the protocol engine of a simulated Kavex reader.
//
// Transport independent: request bytes go in with Receive(), answers come out
// of TakeDueOutput() as write units (each unit is meant for one write() call)
// at the time they are due, so delayed and chunked answers need no sleeping.
// Every public method is thread-safe (one internal mutex), so a test thread
// may configure faults, swap the card or read the log while an I/O thread
// (PtyReader) feeds bytes.
//
// The card is called under the simulator's lock; a Card must not call back
// into the simulator. The same holds for the log sink.
#pragma once

#include "sim/card.h"
#include "sim/frames.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kavex::sim {

using Clock = std::chrono::steady_clock;

// What the reader does with the identification request F0 "FV" (variant 2
// sends it after the answer 04 05 31 35).
enum class FvReply {
    Error,    // answer with the "command rejected" error status (default)
    NoAnswer, // stay silent (the SDK times out)
    Answer,   // answer ReaderConfig::fv_answer
};

struct ReaderConfig {
    int variant = 0;     // 0..3: the one protocol variant this reader speaks
    uint8_t address = 1; // device address (variants 0 and 1)
    // Answer data of F0. Empty: DefaultIdent(variant). (A plain vector, not
    // an optional: GCC 12 reports a false maybe-uninitialized on copies of
    // an empty optional<vector> under -fsanitize=thread with -Werror.)
    Bytes ident;
    FvReply fv_reply = FvReply::Error;
    Bytes fv_answer;
    // Variant 0 only: at most this many card bytes per answer piece of 0x45;
    // every piece but the last carries status 0x20 and the host fetches the
    // next with 0x46. 0: the whole card answer in one frame.
    size_t piece_size = 0;
    bool force_block_form = false; // every answer in block form
    size_t block_size = kMaxBlock; // bytes per block in block form (1..254)
    bool field_on_at_start = true; // RF field state at construction and after Reset()
    // 0x31, 0x41, 0x42 and 0x45 need the preceding activation steps
    // (request -> select -> RATS). false: any present card in an active field answers.
    bool strict_activation = true;
    // An incomplete frame is discarded when the next byte arrives after this gap.
    std::chrono::milliseconds idle_gap{25};
    // The card's own processing time per DESFire command, by native command
    // byte (0xAF counts for every further frame), added before the reader's
    // answer to 0x45. Commands not listed take no time.
    std::map<uint8_t, std::chrono::microseconds> card_times;
    size_t log_capacity = 10000; // oldest entries are dropped beyond this
};

// "AA=2000,BD=500": command bytes in hexadecimal with their card time in
// microseconds, separated by commas. nullopt for anything else.
std::optional<std::map<uint8_t, std::chrono::microseconds>> ParseCardTimes(const std::string& text);

// "1255" for variants 0 and 1, 31 37 31 35 for variant 2 and the 9-byte
// answer 01 02 03 04 41 42 43 36 00 for variant 3.
Bytes DefaultIdent(int variant);

// Fault injection: applies to one answer (InjectFault) or to every answer
// (SetPersistentFault). All fields combine.
struct Fault {
    Bytes garbage_before;                   // sent in front of the answer frame
    bool corrupt_checksum = false;          // BCC (v0) / CRC (v1) inverted; no effect in v2/v3
    bool no_answer = false;                 // the request is taken but not answered
    std::chrono::milliseconds delay{0};     // the answer goes out this much later
    Bytes extra_after;                      // sent after the answer frame
    std::optional<uint8_t> status;          // reader status byte replacing the real one
    std::optional<Bytes> data;              // answer data replacing the real data
    bool block_form = false;                // this answer in block form
    size_t chunk_size = 0;                  // >0: the output split into write units of this size...
    std::chrono::milliseconds chunk_gap{2}; // ...this far apart
    size_t cut_tail = 0;                    // this many bytes missing from the end of the answer frame
    bool remove_card = false;               // the card leaves the field as the request arrives
    bool hang_up = false;                   // the reader drops the line instead of answering (TakeHangUp)

    static Fault NoAnswer();
    static Fault Delay(std::chrono::milliseconds d);
    static Fault Status(uint8_t s);
    static Fault StatusAndData(uint8_t s, Bytes d);
    static Fault Garbage(Bytes bytes);
    static Fault BadChecksum();
    static Fault Extra(Bytes bytes);
    static Fault Split(size_t chunk_size, std::chrono::milliseconds gap = std::chrono::milliseconds(2));
    static Fault Truncated(size_t missing = 1);
    static Fault CardRemoved();
    static Fault HangUp();

    std::string Describe() const; // "delay 200 ms, status 0x15", empty when no fault
};

enum class Direction { Received, Sent };

enum class Outcome {
    Answered,    // received frame, answered
    NotAnswered, // received frame accepted but not answered (fault, FV NoAnswer)
    Ignored,     // received frame not for us: other variant, other address, wrong checksum
    Discarded,   // received bytes that form no frame: garbage, incomplete frame after an idle gap
    Sent,        // an answer (raw bytes incl. injected garbage/extra bytes)
};

const char* ToString(Direction d);
const char* ToString(Outcome o);

struct LogEntry {
    uint64_t seq = 0;
    Clock::time_point time;
    Direction direction = Direction::Received;
    Outcome outcome = Outcome::Discarded;
    Bytes raw;             // the bytes as on the wire
    std::string reason;    // why ignored/discarded/not answered; notes and faults for answers
    int wire_command = -1; // command byte on the wire (requests), -1 when unknown
    int command = -1;      // generic command (translated back in v2/v3), -1 when unknown
    Bytes data;            // request data (generic) or answer data (block structure removed)
    int status = -1;       // answers: the reader status byte sent
};

// One line of text: "+12.345 RX 02 01 F0 00 F1 | answered F0 ..." (time
// relative to `origin`).
std::string FormatLogEntry(const LogEntry& e, Clock::time_point origin);

class ReaderSimulator {
public:
    explicit ReaderSimulator(ReaderConfig config = {}, std::shared_ptr<Card> card = nullptr);
    ReaderSimulator(const ReaderSimulator&) = delete;
    ReaderSimulator& operator=(const ReaderSimulator&) = delete;

    // ---- configuration
    ReaderConfig Config() const;
    // Replaces the configuration. A change of variant or address clears the
    // partly received input and pending answer pieces.
    void SetConfig(const ReaderConfig& config);
    void UpdateConfig(const std::function<void(ReaderConfig&)>& change);

    // ---- card (nullptr: no card in the field)
    void InsertCard(std::shared_ptr<Card> card); // replaces any card; calls OnFieldReset on the new one
    // A card taken out of the field loses power: OnFieldReset drops its
    // session and whatever it had not committed.
    void RemoveCard();
    std::shared_ptr<Card> CurrentCard() const;
    // Runs `fn` with the current card (nullptr when none) under the
    // simulator's lock, the lock under which the I/O thread calls the card:
    // a test may change a card's inner state from its own thread without a
    // data race. `fn` must not call back into the simulator.
    void WithCard(const std::function<void(Card*)>& fn);

    // ---- reader state
    bool FieldOn() const;
    uint8_t ReaderMode() const;             // last F4 mode accepted (0 at start)
    std::optional<uint8_t> UsbMode() const; // last FF mode accepted
    std::optional<uint8_t> LastPps() const; // last PPS1 byte accepted
    // Power cycle: parser, pending pieces and pending output cleared, field
    // to its start state, mode 0, card back to idle. Config, card, faults and
    // log stay.
    void Reset();

    // ---- fault injection
    void InjectFault(Fault fault);                       // one-shot; several queue up for successive answers
    void SetPersistentFault(std::optional<Fault> fault); // used when no one-shot fault is queued
    void ClearFaults();
    size_t PendingFaults() const;
    // True once after a hang_up fault was applied: the transport is to drop
    // the line now (PtyReader closes the pty).
    bool TakeHangUp();

    // ---- log
    std::vector<LogEntry> Log() const;
    void ClearLog();
    // Generic command bytes of every request taken (answered or not), in order.
    std::vector<uint8_t> ReceivedCommands() const;
    size_t CountReceived(uint8_t command) const;
    // Waits until `pred` holds for the log (checked at once and after every
    // new entry). False on timeout.
    bool WaitForLog(const std::function<bool(const std::vector<LogEntry>&)>& pred,
                    std::chrono::milliseconds timeout) const;
    // Waits until at least `n` requests were taken since the last ClearLog().
    bool WaitForRequests(size_t n, std::chrono::milliseconds timeout) const;
    // Called for every new entry, under the simulator's lock.
    void SetLogSink(std::function<void(const LogEntry&)> sink);
    Clock::time_point Origin() const { return origin_; }

    // ---- byte I/O
    void Receive(const uint8_t* data, size_t size, Clock::time_point now = Clock::now());
    void Receive(const Bytes& data, Clock::time_point now = Clock::now());
    // Write units due at `now`, oldest due time first.
    std::vector<Bytes> TakeDueOutput(Clock::time_point now = Clock::now());
    // The same with the time each unit was due.
    std::vector<std::pair<Clock::time_point, Bytes>> TakeDueOutputWithTimes(Clock::time_point now);
    // Due time of the earliest pending write unit.
    std::optional<Clock::time_point> NextOutputTime() const;
    bool HasPendingOutput() const;
    void DiscardPendingOutput();
    // Test helper: Receive(request, now), then everything due at `now`, joined.
    Bytes Exchange(const Bytes& request, Clock::time_point now = Clock::now());

private:
    enum class CardState { Idle, Ready, Active, Protocol };
    struct Reply {
        uint8_t status = 0;
        Bytes data;
        bool silent = false;
        std::string note;
    };

    void ParseLocked(Clock::time_point now);
    bool FindResyncV1Locked(size_t* offset) const;
    void HandleFrameLocked(const Bytes& frame, Clock::time_point now);
    Reply DispatchLocked(uint8_t command, const Bytes& data, uint8_t wire_command);
    void RespondLocked(LogEntry request, uint8_t wire_command, Reply reply, Clock::time_point now);
    void FlushGarbageLocked(Clock::time_point now, const std::string& reason);
    void AppendLogLocked(LogEntry e);
    void ScheduleLocked(Clock::time_point due, Bytes bytes);
    void ResetCardStateLocked();
    Clock::duration CardTimeLocked(int command, const Bytes& data) const;
    void RemoveCardLocked();

    Reply Ok(Bytes data = {}) const;
    Reply Error(uint8_t v01, uint8_t v23, std::string note) const;
    Reply NoCard(std::string note) const;
    bool V23() const { return config_.variant == 2 || config_.variant == 3; }

    mutable std::mutex mu_;
    mutable std::condition_variable log_cv_;
    const Clock::time_point origin_;
    ReaderConfig config_;
    std::shared_ptr<Card> card_;

    // reader state
    bool field_on_ = true;
    uint8_t mode_ = 0;
    std::optional<uint8_t> usb_mode_;
    std::optional<uint8_t> pps_;
    CardState card_state_ = CardState::Idle;
    Bytes pending_pieces_; // v0: the rest of a 0x45 answer, fetched with 0x46
    uint8_t current_wire_command_ = 0;

    // input
    Bytes rx_;
    Bytes garbage_;
    std::optional<Clock::time_point> last_rx_;

    // output: (due, seq) -> write unit
    std::map<std::pair<Clock::time_point, uint64_t>, Bytes> out_;
    uint64_t out_seq_ = 0;

    // faults
    std::deque<Fault> one_shot_;
    std::optional<Fault> persistent_;
    bool hang_up_ = false;

    // log
    std::deque<LogEntry> log_;
    uint64_t log_seq_ = 0;
    size_t requests_taken_ = 0;
    std::function<void(const LogEntry&)> sink_;
};

} // namespace kavex::sim
