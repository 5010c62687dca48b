// Hexadecimal text for key material and card data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kavex::cli {

// Accepts "00112233", "00 11 22 33", "00:11:22:33" and an optional "0x";
// nullopt for anything else (odd digit count, stray characters).
std::optional<std::vector<uint8_t>> ParseHex(const std::string& text);
std::string ToHex(const uint8_t* data, size_t len, const char* separator = " ");
inline std::string ToHex(const std::vector<uint8_t>& v, const char* separator = " ")
{
    return ToHex(v.data(), v.size(), separator);
}

} // namespace kavex::cli
