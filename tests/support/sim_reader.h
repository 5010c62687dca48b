// A simulated reader on a pseudo-terminal, with a link path of its own per
// instance so tests never meet each other's readers. Every card sits behind
// a TamperingCard, so a test can spoil one answer on its way to the reader.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/desfire/desfire_card.h"
#include "sim/pty_reader.h"

namespace kavex::test {

using Bytes = std::vector<uint8_t>;

// A path under /tmp no other reader of this or another test process uses.
std::string UniqueLinkPath();

// A reader of the given protocol variant at the given bus address.
sim::ReaderConfig Variant(int v, uint8_t address = 1);

// DESFire card options whose "random" numbers count up from 1, which keeps
// failures reproducible.
sim::desfire::DesfireCardOptions CountingRandom();

// Lets a test spoil the card's next answer on its way to the reader.
class TamperingCard : public sim::Card {
public:
    using Tamper = std::function<void(Bytes& answer)>;
    using Match = std::function<bool(const Bytes& command, const Bytes& answer)>;
    explicit TamperingCard(std::shared_ptr<sim::Card> inner) : inner_(std::move(inner)) {}

    // Applied once, to the next answer that matches.
    void TamperNext(
        Tamper t, Match when = [](const Bytes&, const Bytes&) { return true; });
    // Every native command the card has seen.
    std::vector<Bytes> Commands() const;

    void OnFieldReset() override { inner_->OnFieldReset(); }
    uint16_t Atqa() const override { return inner_->Atqa(); }
    uint8_t Sak() const override { return inner_->Sak(); }
    Bytes Uid() override { return inner_->Uid(); }
    Bytes Ats() const override { return inner_->Ats(); }
    Bytes Transceive(const Bytes& command) override;

private:
    std::shared_ptr<sim::Card> inner_;
    mutable std::mutex mu_;
    Tamper next_;
    Match when_;
    std::vector<Bytes> commands_;
};

struct SimReader {
    // A reader with `card` in its field; a plain test card when none.
    explicit SimReader(sim::ReaderConfig config = {}, std::shared_ptr<sim::Card> card = nullptr);
    // A reader with a DESFire EV1 card made with `options`.
    SimReader(sim::ReaderConfig config, const sim::desfire::DesfireCardOptions& options);

    // Puts `card` in the field instead of the current one.
    void Insert(std::shared_ptr<sim::Card> card);

    sim::ReaderSimulator& Sim() { return pty.Sim(); }
    // The DESFire card's state; the reader's I/O thread reads it under the
    // simulator's lock, so change it through Sim().WithCard() while a port
    // is talking to the card.
    sim::desfire::CardState& State() { return desfire->State(); }

    // Adds an application with one key (all zero) and a 32-byte standard
    // data file for each of `files`.
    void AddApplication(uint32_t aid, std::initializer_list<uint8_t> files = {}, uint8_t settings = 0x0F,
                        sim::desfire::CryptoMethod method = sim::desfire::CryptoMethod::Tdes);

    // The card in the field if it is a DESFire card, else null.
    std::shared_ptr<sim::desfire::DesfireCard> desfire;
    std::shared_ptr<TamperingCard> tamper;
    sim::PtyReader pty;
    std::string link;
};

} // namespace kavex::test
