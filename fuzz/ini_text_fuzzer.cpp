// Ini-style text in any encoding, as an update server or a hand-edited file
// may hold it. Every value found must be one the text holds (as UTF-8) and
// every lookup must agree with the sections read.
#include <cstdlib>
#include <set>
#include <string>

#include "app/settings/ini_text.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    velmora::CPrivateProfile ini;
    Check(ini.Parse(bytes));
    // The text ends at its first NUL byte.
    const std::string cut = bytes.substr(0, bytes.find('\0'));
    const std::string text = velmora::DecodeUtf8OrLatin1(cut);
    // Valid UTF-8 comes out as it went in, anything else twice at most as long.
    Check(text.size() >= cut.size() && text.size() <= 2 * cut.size());
    std::set<std::string> seen;
    for (const auto& section : ini.Sections()) {
        // Lookups only ever see the first section of a name.
        const bool first = seen.insert(Lower(section.name)).second;
        Check(section.keys.size() == section.values.size());
        Check(text.find(section.name) != std::string::npos);
        for (size_t i = 0; i < section.keys.size(); ++i) {
            Check(text.find(section.keys[i]) != std::string::npos);
            Check(text.find(section.values[i]) != std::string::npos);
            // The lookup finds this key's last value in the first section of
            // that name; at least it finds something.
            const std::string missing = "\x01missing";
            if (first) Check(ini.GetValue(section.name, section.keys[i], missing) != missing);
        }
    }
    ini.GetValue("KavexVelmora", "Version", std::string());
    return 0;
}
