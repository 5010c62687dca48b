// What every command on a file needs: finding the file in the selected
// application, deciding from its access rights whether the session may run
// the command and in which communication mode, and unwrapping or wrapping
// the data in that mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "sim/desfire/commands.h"

namespace kavex::sim::desfire {

constexpr uint8_t kMaxFileNo = 31;
constexpr uint8_t kFreeAccess = 0x0E;
constexpr uint8_t kNoAccess = 0x0F;

// Position of each right's nibble in the 16-bit access rights.
enum class Right : uint8_t { Read = 12, Write = 8, ReadWrite = 4, Change = 0 };

inline uint8_t AccessNibble(uint16_t rights, Right r)
{
    return static_cast<uint8_t>((rights >> static_cast<uint8_t>(r)) & 0x0F);
}

enum class CommMode : uint8_t { Plain, Mac, Enciphered };

// 0 and 2 are plain, 1 MAC, 3 enciphered.
CommMode ModeOf(uint8_t commSettings);

struct FileRef {
    uint8_t status = status::kOk;
    Application* app = nullptr;
    DesfireFile* file = nullptr;
};

// File `fileNo` of the selected application.
FileRef FindFile(CommandContext& ctx, uint8_t fileNo);

struct FileAccess {
    uint8_t status = status::kOk;
    CommMode mode = CommMode::Plain;
};

// Any of `rights` grants the command. A granting key that is authenticated
// gets the file's communication mode; otherwise a free right lets the
// command through in plain. `alsoFree` adds a free right (value files
// with free GetValue).
FileAccess CheckFileAccess(const CommandContext& ctx, const DesfireFile& file, std::initializer_list<Right> rights,
                           bool alsoFree = false);

// Bytes the host sends for `plainLen` data bytes in `mode`.
size_t ProtectedLength(const Session& session, CommMode mode, size_t plainLen);

// `msg` is the whole command message: command byte, `headerLen` plain
// header bytes, then the data as `mode` protects it (ProtectedLength bytes
// for `plainLen` data bytes). Checks MAC or CRC, moves the session IV on
// as the card does, and leaves the plain data in `data`. Returns the
// status to answer with when the check fails, else kOk.
uint8_t UnwrapCommandData(Session& session, CommMode mode, const std::vector<uint8_t>& msg, size_t headerLen,
                          size_t plainLen, std::vector<uint8_t>* data);

// A successful answer carrying `payload` in `mode`. `marked`: the host did
// not give the length, so enciphered padding starts with 0x80.
Reply ProtectedAnswer(Session& session, CommMode mode, const std::vector<uint8_t>& payload, bool marked = false);

} // namespace kavex::sim::desfire
