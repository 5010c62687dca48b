// A simulated MIFARE DESFire EV1 card for the reader simulator.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/card.h"
#include "sim/desfire/card_state.h"
#include "sim/desfire/command_processor.h"
#include "sim/desfire/commands.h"
#include "sim/desfire/session.h"

namespace kavex::sim::desfire {

struct DesfireCardOptions {
    std::array<uint8_t, 7> uid{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    std::array<uint8_t, 5> batchNumber{0xBA, 0x7C, 0x11, 0x42, 0x00};
    uint8_t productionWeek = 0x14;
    uint8_t productionYear = 0x23;
    uint32_t storageSize = 8192;
    uint16_t atqa = 0x0344;
    uint8_t sak = 0x20;
    // Full ATS, length byte first.
    std::vector<uint8_t> ats{0x06, 0x75, 0x77, 0x81, 0x02, 0x80};
    // Source of RndB and random UIDs; empty: the system's random device.
    RandomSource random;
};

class DesfireCard : public kavex::sim::Card {
public:
    DesfireCard();
    explicit DesfireCard(DesfireCardOptions options);
    ~DesfireCard() override;
    DesfireCard(const DesfireCard&) = delete;
    DesfireCard& operator=(const DesfireCard&) = delete;

    void OnFieldReset() override;
    void OnReactivate() override;
    uint16_t Atqa() const override;
    uint8_t Sak() const override { return sak_; }
    std::vector<uint8_t> Uid() override { return activeUid_; }
    std::vector<uint8_t> Ats() const override;
    std::vector<uint8_t> Transceive(const std::vector<uint8_t>& command) override;
    // Native commands wrapped in APDUs (iso_wrapping.h); the same card,
    // session and card file as Transceive.
    std::vector<uint8_t> TransceiveApdu(const std::vector<uint8_t>& apdu) override;

    // The card's memory, for tests, card files and debugging.
    CardState& State() { return *state_; }
    const CardState& State() const { return *state_; }
    const Session& CurrentSession() const { return *session_; }

    // Replaces the card's memory (a card file being loaded); the session
    // starts afresh.
    void RestoreState(CardState state);

    // From now on the card keeps its memory in the card file `path`: every
    // command that changes it is followed by an atomic rewrite of the file
    // (card_file.h). Until the first change nothing is written. When a
    // rewrite fails the change is undone and the command is answered with
    // 0xEE, as a card whose memory write failed does; CardFileError() then
    // tells why.
    void BindCardFile(std::string path);
    const std::string& CardFilePath() const;
    // Why the last rewrite of the card file failed; empty when it worked.
    const std::string& CardFileError() const;

private:
    void DrawActivationUid();
    void SaveChanges(std::vector<uint8_t>& answer);

    struct CardFile {
        std::string path;
        std::string savedText; // what the file holds (or would, before the first change)
        CardState savedState;
        std::string error;
    };

    uint16_t atqa_;
    uint8_t sak_;
    RandomSource random_;
    std::unique_ptr<CardState> state_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<CommandProcessor> processor_;
    std::vector<uint8_t> activeUid_;
    std::optional<CardFile> file_;
};

// The system's random device as a RandomSource.
RandomSource SystemRandom();

} // namespace kavex::sim::desfire
