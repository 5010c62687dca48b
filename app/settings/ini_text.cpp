#include "app/settings/ini_text.h"

#include <algorithm>
#include <cstring>

namespace velmora {

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& s)
{
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len = 0;
        unsigned char lo = 0x80, hi = 0xBF; // range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0) lo = 0xA0;
            if (c == 0xED) hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;
        } else {
            return false;
        }
        if (n - i < len) return false;
        const auto second = static_cast<unsigned char>(s[i + 1]);
        if (second < lo || second > hi) return false;
        for (size_t k = 2; k < len; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if (b < 0x80 || b > 0xBF) return false;
        }
        i += len;
    }
    return true;
}

bool EqualsNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

} // namespace

std::string DecodeUtf8OrLatin1(const std::string& bytes)
{
    if (IsValidUtf8(bytes)) return bytes;
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool CIniEx::Parse(const std::string& bytes)
{
    m_Sections.clear();
    m_nCurrent = 0;
    m_strNextName.clear();

    std::string text = bytes.substr(0, std::strlen(bytes.c_str()));
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    text = DecodeUtf8OrLatin1(text);

    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find_first_of("\r\n", pos);
        const size_t stop = end == std::string::npos ? text.size() : end;
        if (stop > pos) AddLine(text.substr(pos, stop - pos));
        pos = stop + 1;
    }
    return true;
}

void CIniEx::AddLine(const std::string& raw)
{
    // Line ends and tabs go; blanks at the end stay (they may be part of a value).
    const size_t last = raw.find_last_not_of("\r\n\t");
    const std::string line = last == std::string::npos ? std::string() : raw.substr(0, last + 1);

    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        ++m_nCurrent;
        m_strNextName = line.substr(1, line.size() - 2);
        return;
    }

    while (m_Sections.size() <= m_nCurrent) m_Sections.push_back(CSection{});
    CSection& section = m_Sections[m_nCurrent];
    section.name = m_strNextName;

    std::string key = line;
    std::string value;
    if (line.empty() || line.front() != ';') {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) {
            key = line.substr(0, eq);
            value = line.substr(eq + 1);
        }
        const size_t keyEnd = key.find_last_not_of(' ');
        key.erase(keyEnd == std::string::npos ? 0 : keyEnd + 1);
        value.erase(0, std::min(value.find_first_not_of(' '), value.size()));
    }
    section.keys.push_back(std::move(key));
    section.values.push_back(std::move(value));
}

std::string CIniEx::GetValue(const std::string& section, const std::string& key, const std::string& def) const
{
    for (const CSection& s : m_Sections) {
        if (!EqualsNoCase(s.name, section)) continue;
        for (size_t i = s.keys.size(); i-- > 0;)
            if (EqualsNoCase(s.keys[i], key)) return s.values[i];
        return def;
    }
    return def;
}

} // namespace velmora
