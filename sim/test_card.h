// A simple configurable card for tests: ISO/IEC 14443-3 activation data and
// a scripted native exchange. Thread-safe: tests may script it while a
// PtyReader's I/O thread calls it.
#pragma once

#include "sim/card.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace kavex::sim {

class TestCard : public Card {
public:
    using Bytes = std::vector<uint8_t>;
    // Maps a native command (command byte first) to the card's answer
    // (status byte first). An empty answer means the card stays mute (the
    // reader then reports "no transponder").
    using Handler = std::function<Bytes(const Bytes& command)>;

    // What the card answers when neither a queued answer nor a handler is set.
    enum class DefaultReply {
        Echo,     // 0x00 followed by the command bytes (the default)
        StatusOk, // the single byte 0x00
        Mute,     // nothing
    };

    struct Params {
        // Defaults are a MIFARE DESFire EV1's.
        Bytes uid{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
        uint8_t sak = 0x20;
        uint16_t atqa = 0x0344;
        // ATS without its length byte TL (the full ATS of a DESFire EV1 is
        // 06 75 77 81 02 80); empty: no ISO/IEC 14443-4.
        Bytes ats{0x75, 0x77, 0x81, 0x02, 0x80};
        bool random_uid = false; // 08 + three random bytes, new after every OnFieldReset
    };

    TestCard();
    explicit TestCard(Params params);

    // Card
    void OnFieldReset() override;
    uint16_t Atqa() const override;
    uint8_t Sak() const override;
    Bytes Uid() override;
    Bytes Ats() const override;
    Bytes Transceive(const Bytes& command) override;

    // Activation data (take effect at once).
    void SetUid(Bytes uid);
    void SetSak(uint8_t sak);
    void SetAtqa(uint16_t atqa);
    void SetAts(Bytes ats);
    void SetRandomUid(bool on);
    Params GetParams() const;

    // Scripting. Queued answers are used first, one per command, in order;
    // then the handler; then the default reply.
    void QueueAnswer(Bytes answer);
    void SetHandler(Handler handler);
    void SetDefaultReply(DefaultReply reply);
    void ClearScript(); // queue and handler

    // Observation.
    std::vector<Bytes> Commands() const; // every command received by Transceive, in order
    void ClearCommands();
    int FieldResets() const;
    size_t QueuedAnswers() const;

private:
    void DrawRandomUidLocked();

    mutable std::mutex mu_;
    Params params_;
    Bytes random_uid_;
    std::deque<Bytes> queue_;
    Handler handler_;
    DefaultReply default_reply_ = DefaultReply::Echo;
    std::vector<Bytes> commands_;
    int field_resets_ = 0;
    uint32_t rng_state_;
};

} // namespace kavex::sim
