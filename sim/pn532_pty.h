// Pn532Pty: an NXP PN532 on a pseudo-terminal, as a host's pn532_uart
// driver talks to one on a serial line, with the simulated card in its
// field.
//
// Frames: 00 00 FF LEN LCS D4 command data DCS 00 from the host (LEN up to
// 255; longer ones as extended frames 00 00 FF FF FF LENM LENL LCS ...),
// answered with an ACK (00 00 FF 00 FF 00) and then the answer frame with
// D5 and command + 1. Bytes before a start code (the wake-up 55 55 00 ...,
// preambles, postambles) are skipped. A host ACK drops an answer not yet
// sent, a NACK asks for the last answer again. Frames with a wrong
// checksum are dropped unanswered.
//
// Commands: Diagnose (the communication test echoes), GetFirmwareVersion,
// GetGeneralStatus, ReadRegister/WriteRegister (a plain register store),
// ReadGPIO/WriteGPIO, SetSerialBaudRate, SetParameters, SAMConfiguration,
// PowerDown, RFConfiguration, InListPassiveTarget (106 kbps type A only;
// ATQA, SAK, UID and the ATS when automatic RATS is on), InDataExchange
// (APDUs and native frames to the card; chained host data), InCommunicateThru
// (RATS), InSelect, InDeselect, InRelease, InPSL. Anything else gets the
// error frame.
//
// The card is powered while the RF field is on: switching the field on
// draws a new random UID, selecting the card again does not.
//
// The pty works like PtyReader's: Start(link) makes `link` a symlink to the
// slave, one thread blocks in ppoll() on the master and an eventfd.
#pragma once

#include "sim/card.h"
#include "sim/card_slot.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kavex::sim {

// A PN532 information frame around `body` (TFI, command, data).
Bytes Pn532Frame(const Bytes& body);
Bytes Pn532Ack();

class Pn532Pty {
public:
    explicit Pn532Pty(std::shared_ptr<Card> card);
    ~Pn532Pty();
    Pn532Pty(const Pn532Pty&) = delete;
    Pn532Pty& operator=(const Pn532Pty&) = delete;

    // Throws std::system_error.
    void Start(const std::string& link_path);
    void Stop();

    const std::string& LinkPath() const { return link_path_; }
    std::string SlavePath() const { return slave_path_; }

    CardSlot& Slot() { return slot_; }
    bool FieldOn() const;

private:
    void Run();
    void Wake();
    void ReceiveLocked(const uint8_t* data, size_t len, Clock::time_point now);
    void HandleLocked(uint8_t command, const Bytes& data, Clock::time_point now);
    Bytes ListPassiveTargetLocked(const Bytes& data);
    Bytes DataExchangeLocked(const Bytes& data, CardSlot::Answer* answer);
    void FieldLocked(bool on);
    void QueueLocked(Clock::time_point due, Bytes bytes);

    CardSlot slot_;
    std::string link_path_;
    std::string slave_path_;
    int master_fd_ = -1;
    int slave_fd_ = -1;
    int wake_fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    mutable std::mutex mu_;
    Bytes input_;
    Bytes lastAnswer_;
    bool fieldOn_ = false;
    bool selected_ = false;
    Bytes ats_;
    Bytes chained_;             // host data of an InDataExchange with more to come
    uint8_t parameters_ = 0x14; // SetParameters flags (automatic ATR_RES and RATS)
    std::map<uint16_t, uint8_t> registers_;
    std::map<std::pair<Clock::time_point, uint64_t>, Bytes> out_;
    uint64_t outSeq_ = 0;
};

} // namespace kavex::sim
