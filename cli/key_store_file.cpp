#include "cli/key_store_file.h"

#include <cstdlib>
#include <map>

namespace kavex::cli {

namespace {

// The entry number of "KeyName<n>" / "KeyValue<n>", as the program takes
// it: a plain decimal number from 1 that fits an int; 0 for other keys.
int EntryNumber(const std::string& key, const std::string& prefix)
{
    if (key.compare(0, prefix.size(), prefix) != 0) return 0;
    const std::string digits = key.substr(prefix.size());
    if (digits.empty() || digits.size() > 10 || digits[0] == '0') return 0;
    long long n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n <= 0x7FFFFFFF ? static_cast<int>(n) : 0;
}

std::string WithoutTrailingSpace(const std::string& s)
{
    size_t end = s.size();
    while (end > 0 && (s[end - 1] == ' ' || s[end - 1] == '\t' || s[end - 1] == '\n' || s[end - 1] == '\r' ||
                       s[end - 1] == '\v' || s[end - 1] == '\f'))
        --end;
    return s.substr(0, end);
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

uint8_t HexValue(const std::string& digits)
{
    return static_cast<uint8_t>(std::stoi(digits, nullptr, 16));
}

} // namespace

std::optional<std::vector<uint8_t>> StoredKeyBytes(const std::string& value)
{
    std::vector<uint8_t> key;
    if (value.find(' ') == std::string::npos) {
        if (value.size() % 2 || value.size() > 32) return std::nullopt;
        for (size_t i = 0; i < value.size(); i += 2) {
            if (!IsHexDigit(value[i]) || !IsHexDigit(value[i + 1])) return std::nullopt;
            key.push_back(HexValue(value.substr(i, 2)));
        }
        return key;
    }
    size_t i = 0;
    while (i < value.size()) {
        if (value[i] == ' ') {
            ++i;
            continue;
        }
        size_t end = value.find(' ', i);
        if (end == std::string::npos) end = value.size();
        const std::string token = value.substr(i, end - i);
        if (token.size() > 2 || !IsHexDigit(token[0]) || (token.size() == 2 && !IsHexDigit(token[1])) ||
            key.size() == 16)
            return std::nullopt;
        key.push_back(HexValue(token));
        i = end;
    }
    return key;
}

std::string SettingsFilePath()
{
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "") + "/.config";
    }
    return base + "/Brakk Applikationen/Kavex_Velmora.ini";
}

std::vector<KeyStoreEntry> ReadKeyStore(const IniFile& ini)
{
    std::map<int, KeyStoreEntry> numbered;
    for (const auto& [key, value] : ini.Section("KeyStore")) {
        if (const int n = EntryNumber(key, "KeyName")) numbered[n].name = value;
        if (const int n = EntryNumber(key, "KeyValue")) numbered[n].value = value;
    }
    std::vector<KeyStoreEntry> entries;
    for (const auto& [n, entry] : numbered)
        if (!entry.value.empty()) entries.push_back(entry);
    return entries;
}

const KeyStoreEntry* FindKeyByName(const std::vector<KeyStoreEntry>& entries, const std::string& name)
{
    const std::string wanted = WithoutTrailingSpace(name);
    for (const KeyStoreEntry& e : entries)
        if (WithoutTrailingSpace(e.name) == wanted) return &e;
    return nullptr;
}

std::optional<std::vector<uint8_t>> KeyFromStore(const std::string& name, std::string& error, const std::string& path)
{
    const auto ini = IniFile::Load(path, error);
    if (!ini) {
        error = "no key store: " + error;
        return std::nullopt;
    }
    const auto entries = ReadKeyStore(*ini);
    const KeyStoreEntry* entry = FindKeyByName(entries, name);
    if (!entry) {
        error = "no key named \"" + name + "\" in the key store " + path;
        return std::nullopt;
    }
    auto key = StoredKeyBytes(entry->value);
    if (!key) {
        error = "the key store entry \"" + name + "\" holds no key of up to 16 hexadecimal bytes";
        return std::nullopt;
    }
    key->resize(16, 0);
    return key;
}

} // namespace kavex::cli
