#include "cli/hex_input.h"

#include <cctype>

namespace kavex::cli {

std::optional<std::vector<uint8_t>> ParseHex(const std::string& text)
{
    std::string digits;
    size_t i = 0;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) i = 2;
    for (; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isxdigit(c))
            digits.push_back(static_cast<char>(c));
        else if (c != ' ' && c != ':' && c != '-')
            return std::nullopt;
    }
    if (digits.size() % 2) return std::nullopt;
    std::vector<uint8_t> out;
    for (size_t k = 0; k < digits.size(); k += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(digits.substr(k, 2), nullptr, 16)));
    return out;
}

std::string ToHex(const uint8_t* data, size_t len, const char* separator)
{
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < len; ++i) {
        if (i) s += separator;
        s += digits[data[i] >> 4];
        s += digits[data[i] & 15];
    }
    return s;
}

} // namespace kavex::cli
