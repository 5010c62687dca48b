// Status bytes of the simulated DESFire EV1 card: the first byte of every
// answer frame.
#pragma once

#include <cstdint>

namespace kavex::sim::desfire::status {

constexpr uint8_t kOk = 0x00;
constexpr uint8_t kNoChanges = 0x0C;
constexpr uint8_t kOutOfMemory = 0x0E;
constexpr uint8_t kIllegalCommand = 0x1C;
constexpr uint8_t kIntegrityError = 0x1E;
constexpr uint8_t kNoSuchKey = 0x40;
constexpr uint8_t kLengthError = 0x7E;
constexpr uint8_t kPermissionDenied = 0x9D;
constexpr uint8_t kParameterError = 0x9E;
constexpr uint8_t kApplicationNotFound = 0xA0;
constexpr uint8_t kAuthenticationError = 0xAE;
constexpr uint8_t kAdditionalFrame = 0xAF;
constexpr uint8_t kBoundaryError = 0xBE;
constexpr uint8_t kCommandAborted = 0xCA;
constexpr uint8_t kCountError = 0xCE;
constexpr uint8_t kDuplicateError = 0xDE;
constexpr uint8_t kEepromError = 0xEE;
constexpr uint8_t kFileNotFound = 0xF0;

} // namespace kavex::sim::desfire::status
