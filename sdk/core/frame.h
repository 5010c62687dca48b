// The reader frame protocol in its four variants, as pure functions over
// byte buffers: request framing, the completeness test used while waiting,
// and answer checking and decoding. The port wraps them with its receive
// buffer and link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sdk/support/status_codes.h"

namespace kavex::frame {

uint16_t Crc16Modbus(const uint8_t* data, size_t len);
uint8_t Bcc(const uint8_t* data, size_t len);

// Variants 2 and 3 know other command bytes; rewrites command and data in
// place. Variants 0 and 1 leave the buffer as it is.
void TranslateCommand(std::vector<uint8_t>& cmdAndData, uint8_t variant);

// Turns "command, data..." into the request frame of the variant; the
// command is translated first. lastCommand receives the command byte as
// sent. Returns false (buffer untouched) when there is no command byte or
// more data than one LEN byte can count.
bool BuildRequest(std::vector<uint8_t>& cmdAndData, uint8_t variant, uint8_t address, uint8_t& lastCommand);

// Fewest bytes an answer needs before its length byte can be read.
size_t MinimumAnswerLength(uint8_t variant);
// The start byte a variant's answers begin with, or -1 (variant 1).
int StartByte(uint8_t variant);
// Whether the buffer, which starts at the start of an answer and holds at
// least MinimumAnswerLength bytes, holds a complete answer (fixed length or
// block form).
bool AnswerComplete(const std::vector<uint8_t>& buf, uint8_t variant);
// The length of that complete answer; 0 while it is not complete.
size_t AnswerLength(const std::vector<uint8_t>& buf, uint8_t variant);

// The stages of waiting for an answer: the first bytes, the start byte
// (garbage in front of it is dropped), the first bytes again, then the
// whole answer once its length byte can be read. Each stage has its own
// time reference; Advance says when a new stage began.
class AnswerWait {
public:
    explicit AnswerWait(uint8_t variant) : variant_(variant) {}
    // Looks at what has arrived; returns true once buf holds a complete
    // answer at its front. May drop bytes in front of the start byte.
    bool Advance(std::vector<uint8_t>& buf, bool& stageBegan);

private:
    enum class Stage { Minimum, Synchronise, MinimumAfterSync, Complete };
    uint8_t variant_;
    Stage stage_ = Stage::Minimum;
};

// Checks and decodes a complete answer in place: on success only the
// answer data stays in answer. Bytes behind the end of the frame fail it
// like a wrong checksum. status receives the code (0, or 32 when the
// reader has more data, which still counts as success).
bool DecodeAnswer(std::vector<uint8_t>& answer, uint8_t variant, uint8_t lastCommand, int& status);

} // namespace kavex::frame
