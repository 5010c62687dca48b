// The program key store as the tool sees it: the named keys the Velmora
// program keeps in its settings file (section "KeyStore"), so that a key
// typed once serves the program and scripts alike. The entries are read by
// the program's rules: every "KeyName<n>" / "KeyValue<n>" pair with a value,
// in the order of n; names compare exactly after trailing white space is
// removed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/ini_file.h"

namespace kavex::cli {

struct KeyStoreEntry {
    std::string name;
    std::string value; // as stored
};

// Where QSettings keeps the program's settings for this user:
// $XDG_CONFIG_HOME (else ~/.config)/Brakk Applikationen/Kavex_Velmora.ini.
std::string SettingsFilePath();

std::vector<KeyStoreEntry> ReadKeyStore(const IniFile& ini);
const KeyStoreEntry* FindKeyByName(const std::vector<KeyStoreEntry>& entries, const std::string& name);

// The bytes of a stored key value, read only where the program reads it
// the same way: hex digit pairs, or tokens of one or two digits between
// spaces; at most 16 bytes. nullopt for anything else.
std::optional<std::vector<uint8_t>> StoredKeyBytes(const std::string& value);

// The 16 key bytes of the entry named name in the settings file (shorter
// keys padded with zeros), or nullopt with the reason in error. Where the
// program would make a key of a malformed value, a script gets an error.
std::optional<std::vector<uint8_t>> KeyFromStore(const std::string& name, std::string& error,
                                                 const std::string& path = SettingsFilePath());

} // namespace kavex::cli
