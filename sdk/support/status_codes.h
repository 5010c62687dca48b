// The status codes the SDK itself leaves in a port, under the names the link
// core and the DESFire engine use. The values are the public ones of
// kavex.h, so a code is defined in one place only; reader status bytes and
// the card's status bytes (KAVEX_DF_STATUS_BASE plus the byte) come on top.
#pragma once

#include "kavex.h"

namespace kavex {

enum StatusCode : int {
    kStatusOk = KAVEX_OK,
    kStatusUnknownHandle = KAVEX_ERR_UNKNOWN_HANDLE,
    kStatusTimeout = KAVEX_ERR_TIMEOUT,
    kStatusBufferTooSmall = KAVEX_ERR_BUFFER_TOO_SMALL,
    kStatusWrongParameter = KAVEX_ERR_WRONG_PARAMETER,
    kStatusNothingToSend = KAVEX_ERR_NOTHING_TO_SEND,
    kStatusNoData = KAVEX_ERR_NO_DATA,
    kStatusChecksumError = KAVEX_ERR_CHECKSUM,
    kStatusAnswerEmpty = KAVEX_ERR_ANSWER_EMPTY,
    kStatusModeInvalid = KAVEX_ERR_MODE_INVALID,
    kStatusCommandError = KAVEX_ERR_COMMAND,
    kStatusDataAmount = KAVEX_ERR_DATA_AMOUNT,
    kStatusMoreData = KAVEX_READER_MORE_DATA,
    kStatusPortBusy = KAVEX_ERR_PORT_BUSY,
    kStatusCard = KAVEX_DF_STATUS_BASE, // plus the card's status byte
    kStatusKeyLength = KAVEX_DF_ERR_KEY_LENGTH,
    kStatusOldKeyLength = KAVEX_DF_ERR_OLD_KEY_LENGTH,
    kStatus3K3DES = KAVEX_DF_ERR_3K3DES,
    kStatusNeedsAuthentication = KAVEX_DF_ERR_NEEDS_AUTHENTICATION,
    kStatusMacMismatch = KAVEX_DF_ERR_MAC_MISMATCH,
    kStatusCrcMismatch = KAVEX_DF_ERR_CRC_MISMATCH,
    kStatusParamBufferTooSmall = KAVEX_DF_ERR_PARAM_BUFFER_TOO_SMALL,
    kStatusParamLength = KAVEX_DF_ERR_PARAM_LENGTH,
    kStatusNotAllowedAfterAuth = KAVEX_DF_ERR_NOT_ALLOWED_AFTER_AUTH,
};

} // namespace kavex
