// A contactless card as the simulated reader sees it: the ISO/IEC 14443-3
// activation data and, for ISO/IEC 14443-4 cards, a native frame exchange.
#pragma once

#include <cstdint>
#include <vector>

namespace kavex::sim {

class Card {
public:
    virtual ~Card() = default;

    // Called when the field is switched off or the card is (re)activated
    // with a request: a real card loses its selection and authentication.
    virtual void OnFieldReset() {}
    // Called when a reader selects the card again while the field stays on
    // (after a deselect, or a new activation by a PN532): the card loses its
    // selection and authentication but keeps the UID it showed.
    virtual void OnReactivate() {}

    virtual uint16_t Atqa() const = 0;
    virtual uint8_t Sak() const = 0;
    // The UID shown in anticollision for the current activation (4, 7 or
    // 10 bytes). A card with random UID draws a new one after OnFieldReset.
    virtual std::vector<uint8_t> Uid() = 0;
    // ATS without its length byte; empty for a card without ISO/IEC 14443-4.
    virtual std::vector<uint8_t> Ats() const = 0;

    // One native frame (command byte first) in, the card's answer out
    // (status byte first). Only called after a successful activation.
    virtual std::vector<uint8_t> Transceive(const std::vector<uint8_t>& command) = 0;

    // One ISO/IEC 7816-4 command APDU in, the response APDU (data, then
    // SW1 SW2) out: what PC/SC and ISO/IEC 14443-4 readers of other makers
    // pass on. Only called after a successful activation. A card that
    // knows no APDUs refuses every class.
    virtual std::vector<uint8_t> TransceiveApdu(const std::vector<uint8_t>& apdu)
    {
        (void)apdu;
        return {0x6E, 0x00};
    }
};

} // namespace kavex::sim
