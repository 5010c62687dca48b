#include "cli/ini_file.h"

#include <fstream>
#include <sstream>

namespace kavex::cli {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// White space as the line reader of QSettings knows it.
bool IsLineSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string Trimmed(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b])) ++b;
    while (e > b && IsSpace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// UTF-8 to UTF-16 as QString::fromUtf8 does it, bad sequences becoming U+FFFD.
std::u16string FromUtf8(const std::string& s)
{
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        char32_t cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c <= 0xF4) {
            const size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            char32_t v = c & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
            size_t k = 1;
            for (; k < need && i + k < s.size(); ++k) {
                const auto cc = static_cast<unsigned char>(s[i + k]);
                if ((cc & 0xC0) != 0x80) break;
                v = v << 6 | (cc & 0x3F);
            }
            const bool complete = k == need;
            const bool shortest = (need == 3 && v >= 0x800) || (need == 4 && v >= 0x10000) || need == 2;
            if (complete && shortest && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
                cp = v;
                len = need;
            } else {
                len = k > 1 ? k : 1;
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

// Length of an incomplete but so far valid UTF-8 sequence at the end of s.
size_t IncompleteTail(const std::string& s)
{
    for (size_t back = 1; back <= 3 && back <= s.size(); ++back) {
        const auto c = static_cast<unsigned char>(s[s.size() - back]);
        if ((c & 0xC0) == 0x80) continue;
        const size_t need = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        return need > back ? back : 0;
    }
    return 0;
}

// Decodes the runs of a value one after the other, as QSettings' decoder
// does: a sequence cut by an escape is finished by the next run, and one
// left open at the end is dropped.
class RunDecoder {
public:
    std::u16string Decode(const std::string& run)
    {
        std::string bytes = pending_ + run;
        const size_t tail = IncompleteTail(bytes);
        pending_ = bytes.substr(bytes.size() - tail);
        bytes.resize(bytes.size() - tail);
        return FromUtf8(bytes);
    }

private:
    std::string pending_;
};

std::string ToUtf8(const std::u16string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | cp >> 6);
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | cp >> 12);
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | cp >> 18);
            out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

int HexDigit(char16_t c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool StartsWith(const std::u16string& s, const char* prefix)
{
    size_t i = 0;
    for (; prefix[i]; ++i)
        if (i >= s.size() || s[i] != static_cast<char16_t>(prefix[i])) return false;
    return true;
}

// What the text of a value is after QSettings has taken it for a typed
// value; nullopt where the value is no text.
std::optional<std::string> TextOf(const std::u16string& s)
{
    if (!s.empty() && s[0] == u'@') {
        if (s.back() == u')') {
            if (StartsWith(s, "@ByteArray(")) {
                // Bytes, one per character; the program reads them as UTF-8.
                std::string bytes;
                for (size_t i = 11; i + 1 < s.size(); ++i) bytes += static_cast<char>(s[i] & 0xFF);
                return bytes;
            }
            if (StartsWith(s, "@String(")) return ToUtf8(s.substr(8, s.size() - 9));
            for (const char* typed : {"@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point("})
                if (StartsWith(s, typed)) return std::nullopt;
            if (s == u"@Invalid()") return std::nullopt;
        }
        if (StartsWith(s, "@@")) return ToUtf8(s.substr(1));
    }
    return ToUtf8(s);
}

// One logical line of the file as QSettings cuts it: leading white space
// skipped, a comment (";" outside quotes) ending it, line breaks inside
// quotes or after a backslash continuing it. equalsPos: the first "="
// outside quotes, or npos.
bool ReadLine(const std::string& data, size_t& pos, size_t& lineStart, size_t& lineLen, size_t& equalsPos)
{
    const size_t len = data.size();
    bool inQuotes = false;
    equalsPos = std::string::npos;
    lineStart = pos;
    while (lineStart < len && IsLineSpace(data[lineStart])) ++lineStart;

    size_t i = lineStart;
    while (i < len) {
        const char ch = data[i++];
        if (ch == '=') {
            if (!inQuotes && equalsPos == std::string::npos) equalsPos = i - 1;
        } else if (ch == '\n' || ch == '\r') {
            if (i == lineStart + 1) {
                ++lineStart;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (ch == '\\') {
            if (i < len) {
                const char next = data[i++];
                if (i < len) {
                    const char after = data[i];
                    if ((next == '\n' && after == '\r') || (next == '\r' && after == '\n')) ++i;
                }
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (ch == ';') {
            if (i == lineStart + 1) {
                while (i < len && data[i] != '\n' && data[i] != '\r') ++i;
                while (i < len && IsLineSpace(data[i])) ++i;
                lineStart = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    pos = i;
    lineLen = i - lineStart;
    return lineLen > 0;
}

} // namespace

std::string IniUnescapeKey(const std::string& raw)
{
    const std::u16string key = FromUtf8(raw);
    std::u16string out;
    size_t i = 0;
    while (i < key.size()) {
        const char16_t ch = key[i];
        if (ch == u'\\') {
            out += u'/';
            ++i;
            continue;
        }
        if (ch != u'%' || i == key.size() - 1) {
            out += ch;
            ++i;
            continue;
        }
        size_t first = i + 1;
        size_t digits = 2;
        if (key[i + 1] == u'U') {
            ++first;
            digits = 4;
        }
        bool ok = first + digits <= key.size();
        unsigned value = 0;
        for (size_t k = 0; ok && k < digits; ++k) {
            const int d = HexDigit(key[first + k]);
            ok = d >= 0;
            value = value << 4 | static_cast<unsigned>(d);
        }
        if (!ok) {
            out += u'%';
            ++i;
            continue;
        }
        out += static_cast<char16_t>(value);
        i = first + digits;
    }
    return ToUtf8(out);
}

bool IniUnescapeValue(const std::string& raw, std::u16string& text, std::vector<std::u16string>& list)
{
    static const std::pair<char, char16_t> kEscapes[] = {{'a', u'\a'}, {'b', u'\b'},  {'f', u'\f'}, {'n', u'\n'},
                                                         {'r', u'\r'}, {'t', u'\t'},  {'v', u'\v'}, {'"', u'"'},
                                                         {'?', u'?'},  {'\'', u'\''}, {'\\', u'\\'}};
    text.clear();
    list.clear();
    bool isList = false;
    bool inQuotes = false;
    bool quoted = false;   // the current item had quotes: its trailing spaces stay
    bool cutShort = false; // a backslash at the very end: QSettings leaves the spaces then
    size_t chopLimit = 0;
    size_t i = 0;
    const size_t n = raw.size();

    auto chopTrailingSpaces = [&] {
        size_t end = text.size();
        while (end > chopLimit && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
        text.resize(end);
    };
    auto skipSpaces = [&] {
        while (i < n && (raw[i] == ' ' || raw[i] == '\t')) ++i;
    };
    RunDecoder decoder;

    skipSpaces();
    chopLimit = text.size();
    while (i < n) {
        const char ch = raw[i];
        if (ch == '\\') {
            ++i;
            if (i >= n) {
                cutShort = true;
                break;
            }
            const char e = raw[i++];
            bool known = false;
            for (const auto& [code, value] : kEscapes) {
                if (e == code) {
                    text += value;
                    known = true;
                    break;
                }
            }
            if (known) {
                chopLimit = text.size();
                continue;
            }
            if (e == 'x') {
                if (i < n && HexDigit(static_cast<char16_t>(raw[i])) >= 0) {
                    char16_t v = 0;
                    while (i < n && HexDigit(static_cast<char16_t>(raw[i])) >= 0)
                        v = static_cast<char16_t>(v << 4 | HexDigit(static_cast<char16_t>(raw[i++])));
                    text += v;
                }
            } else if (e >= '0' && e <= '7') {
                char16_t v = static_cast<char16_t>(e - '0');
                while (i < n && raw[i] >= '0' && raw[i] <= '7') v = static_cast<char16_t>(v << 3 | (raw[i++] - '0'));
                text += v;
            } else if (e == '\n' || e == '\r') {
                if (i < n && (raw[i] == '\n' || raw[i] == '\r') && raw[i] != e) ++i;
            }
            // Any other escaped character is dropped.
            chopLimit = text.size();
        } else if (ch == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipSpaces();
                chopLimit = text.size();
            }
        } else if (ch == ',' && !inQuotes) {
            if (!quoted) chopTrailingSpaces();
            isList = true;
            list.push_back(text);
            text.clear();
            quoted = false;
            ++i;
            skipSpaces();
            chopLimit = 0;
        } else {
            size_t j = i + 1;
            while (j < n && raw[j] != '\\' && raw[j] != '"' && raw[j] != ',') ++j;
            text += decoder.Decode(raw.substr(i, j - i));
            i = j;
        }
    }
    if (!quoted && !cutShort) chopTrailingSpaces();
    if (isList) list.push_back(text);
    return isList;
}

std::optional<IniFile> IniFile::Load(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

IniFile IniFile::Parse(const std::string& input)
{
    IniFile ini;
    const std::string data = input.compare(0, 3, "\xEF\xBB\xBF") == 0 ? input.substr(3) : input;
    std::string section; // with its trailing "/", empty for [General]
    size_t pos = 0, lineStart = 0, lineLen = 0, equalsPos = 0;
    while (ReadLine(data, pos, lineStart, lineLen, equalsPos)) {
        const std::string line = data.substr(lineStart, lineLen);
        if (line[0] == '[') {
            const size_t close = line.find(']');
            const std::string name = Trimmed(line.substr(1, (close == std::string::npos ? line.size() : close) - 1));
            auto lower = [](std::string s) {
                for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                return s;
            };
            if (lower(name) == "general")
                section.clear();
            else if (lower(name) == "%general")
                section = name.substr(1) + "/";
            else
                section = IniUnescapeKey(name) + "/";
            continue;
        }
        if (equalsPos == std::string::npos) continue;
        const std::string key = section + IniUnescapeKey(Trimmed(data.substr(lineStart, equalsPos - lineStart)));
        // QSettings cannot name these: a key or group with an empty name.
        if (key.empty() || key.front() == '/' || key.back() == '/' || key.find("//") != std::string::npos) continue;
        std::u16string text;
        std::vector<std::u16string> items;
        std::optional<std::string> value;
        if (IniUnescapeValue(data.substr(equalsPos + 1, lineStart + lineLen - equalsPos - 1), text, items)) {
            std::string joined;
            for (size_t k = 0; k < items.size(); ++k) {
                if (k) joined += ", ";
                joined += TextOf(items[k]).value_or(std::string());
            }
            value = joined;
        } else {
            value = TextOf(text);
        }
        if (value)
            ini.values_[key] = *value;
        else
            ini.values_.erase(key);
    }
    return ini;
}

std::optional<std::string> IniFile::Value(const std::string& key) const
{
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::vector<std::pair<std::string, std::string>> IniFile::Section(const std::string& section) const
{
    const std::string prefix = section + "/";
    std::vector<std::pair<std::string, std::string>> out;
    for (auto it = values_.lower_bound(prefix); it != values_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
         ++it) {
        const std::string name = it->first.substr(prefix.size());
        if (!name.empty() && name.find('/') == std::string::npos) out.emplace_back(name, it->second);
    }
    return out;
}

} // namespace kavex::cli
