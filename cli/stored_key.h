// Keys by name from the Velmora program's key store, so that a key typed
// once serves the program and scripts alike. The entries are found by the
// program's own key store code: the same file, numbering and names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kavex::cli {

// The program's settings file, which holds the key store (for help texts).
std::string KeyStoreFilePath();

// The bytes of a stored key value, read only where the program reads it
// the same way: hex digit pairs, or tokens of one or two digits between
// spaces; at most 16 bytes. nullopt for anything else.
std::optional<std::vector<uint8_t>> StoredKeyBytes(const std::string& value);

// The 16 key bytes of the entry named name (shorter keys padded with
// zeros), or nullopt with the reason in error. Where the program would make
// a key of a malformed value, a script gets an error.
std::optional<std::vector<uint8_t>> KeyFromStore(const std::string& name, std::string& error);

} // namespace kavex::cli
