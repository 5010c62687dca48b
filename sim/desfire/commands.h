// The pieces every command family of the simulated card is built from: the
// reply a handler gives, the context it works in, and the table the
// families register their handlers in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "sim/desfire/card_state.h"
#include "sim/desfire/session.h"
#include "sim/desfire/status.h"

namespace kavex::sim::desfire {

// Fills `len` bytes with random data (the card's RndB, random UIDs).
using RandomSource = std::function<void(uint8_t* out, size_t len)>;

struct Reply {
    uint8_t status = status::kOk;
    std::vector<uint8_t> data;
    // A successful answer gets the session MAC appended when a session is
    // authenticated at the end of the command. Answers that are enciphered
    // or part of authentication carry none.
    bool macIfAuthenticated = true;
    // Lengths of the leading frames of an answer that the card hands out in
    // several frames (the rest, MAC included, follows in the last ones).
    std::vector<size_t> frameSplits;

    static Reply Error(uint8_t s)
    {
        Reply r;
        r.status = s;
        return r;
    }
    static Reply Ok(std::vector<uint8_t> d = {})
    {
        Reply r;
        r.data = std::move(d);
        return r;
    }
    static Reply Unprotected(uint8_t s, std::vector<uint8_t> d)
    {
        Reply r;
        r.status = s;
        r.data = std::move(d);
        r.macIfAuthenticated = false;
        return r;
    }
};

struct CommandContext;

// Called with the next frame (0xAF first) of a command that is not finished.
using Continuation = std::function<Reply(CommandContext&, const std::vector<uint8_t>& frame)>;

struct CommandContext {
    CardState& state;
    Session& session;
    const RandomSource& random;
    Continuation* next; // set through ExpectMore only

    void Random(uint8_t* out, size_t len) const { random(out, len); }
    // The command goes on with the frame the host sends next; the handler
    // answers 0xAF now.
    void ExpectMore(Continuation c) const { *next = std::move(c); }

    uint32_t Aid() const { return session.SelectedAid(); }
    // Authenticated with the master key (key 0) of the selected level.
    bool MasterKeyAuthenticated() const { return session.AuthenticatedWith(session.SelectedAid(), 0); }
};

enum class Protection : uint8_t {
    // The card CMACs the whole command before the handler runs (when
    // authenticated): no data of its own is protected.
    PlainCommand,
    // The handler deals with MACs and ciphers itself (authentication,
    // enciphered parameters, file data in its communication mode).
    Custom,
};

struct CommandHandler {
    Protection protection = Protection::PlainCommand;
    std::function<Reply(CommandContext&, const std::vector<uint8_t>& cmd)> run;
};

using CommandTable = std::map<uint8_t, CommandHandler>;

void RegisterAuthenticationCommands(CommandTable& table);
void RegisterCardCommands(CommandTable& table);
void RegisterKeyCommands(CommandTable& table);
void RegisterApplicationCommands(CommandTable& table);
void RegisterFileCommands(CommandTable& table);
void RegisterDataCommands(CommandTable& table);

// Little-endian helpers for the 3-byte AIDs, sizes and offsets on the wire.
inline uint32_t Le24(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
}
inline void PutLe24(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v >> 16));
}
inline int32_t Le32s(const uint8_t* p)
{
    return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
}
inline void PutLe32(std::vector<uint8_t>& out, int32_t v)
{
    const uint32_t u = static_cast<uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(u >> shift));
}

// Checks enciphered command parameters after deciphering: `plain` holds
// the parameters (`len` bytes), their CRC in the session's scheme
// (Session::ParameterCrc over `header`, the command byte and plain
// parameters, and the parameters), then zero padding.
bool EncipheredParametersOk(const Session& session, const uint8_t* header, size_t headerLen,
                            const std::vector<uint8_t>& plain, size_t len);

} // namespace kavex::sim::desfire
