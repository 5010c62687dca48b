// The status codes the SDK itself leaves in a port, in one place for the
// link core and the DESFire engine. Reader status bytes and the card's
// status bytes (0x10000 plus the byte) come on top; their texts are in
// status_text.cpp.
#pragma once

namespace kavex {

enum StatusCode : int {
    kStatusOk = 0,
    kStatusUnknownHandle = 3,
    kStatusTimeout = 4,
    kStatusBufferTooSmall = 5,
    kStatusWrongParameter = 7,
    kStatusNothingToSend = 8,
    kStatusNoData = 9,
    kStatusChecksumError = 10,
    kStatusAnswerEmpty = 12,
    kStatusModeInvalid = 13,
    kStatusCommandError = 16,
    kStatusDataAmount = 20,
    kStatusMoreData = 32,
    kStatusCard = 0x10000, // plus the card's status byte
    kStatusKeyLength = 0x10020,
    kStatusOldKeyLength = 0x10021,
    kStatus3K3DES = 0x10022,
    kStatusNeedsAuthentication = 0x10023,
    kStatusMacMismatch = 0x10024,
    kStatusCrcMismatch = 0x10025,
    kStatusParamBufferTooSmall = 0x10026,
    kStatusParamLength = 0x10027,
    kStatusNotAllowedAfterAuth = 0x10028,
};

} // namespace kavex
