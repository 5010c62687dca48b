#include "cli/stored_key.h"

#include "app/settings/key_store.h"
#include "app/settings/settings.h"

namespace kavex::cli {

namespace {

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

std::string KeyStoreFilePath()
{
    return velmora::SettingsFilePath().toStdString();
}

std::optional<std::vector<uint8_t>> KeyFromStore(const std::string& name, std::string& error)
{
    // The program takes a missing or unreadable file for an empty one; a
    // script is told which of the two it is.
    QString problem;
    if (!velmora::SettingsFileReadable(&problem)) {
        error = "no key store: " + problem.toStdString();
        return std::nullopt;
    }
    velmora::CKeyStoreItemList store;
    store.LoadKeyStore();
    const velmora::CKeyStoreItem* entry = store.FindKeyByName(QString::fromStdString(name));
    if (!entry) {
        error = "no key named \"" + name + "\" in the key store " + KeyStoreFilePath();
        return std::nullopt;
    }
    auto key = StoredKeyBytes(entry->m_strValue.toStdString());
    if (!key) {
        error = "the key store entry \"" + name + "\" holds no key of up to 16 hexadecimal bytes";
        return std::nullopt;
    }
    key->resize(16, 0);
    return key;
}

} // namespace kavex::cli
