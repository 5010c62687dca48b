// Ini-style text held in memory ("[Section]" headers, "key=value" lines),
// as the update server's version file is written. Plain C++, so that the
// tool can read such files as well as the program. It neither opens nor
// writes files.
#pragma once

#include <string>
#include <vector>

namespace velmora {

class CIniEx {
public:
    struct CSection {
        std::string name;
        // Same length; the value at i belongs to the key at i. Keys keep the
        // order of the text, repeated ones included.
        std::vector<std::string> keys;
        std::vector<std::string> values;
    };

    CIniEx() = default;
    virtual ~CIniEx() = default;

    // Replaces what an earlier text left. The bytes are taken as UTF-8, or
    // as Latin-1 when they are not valid UTF-8; a byte-order mark is
    // skipped and the text ends at its first NUL byte. Always succeeds:
    // any text reads as some sections.
    bool Parse(const std::string& bytes);

    // The value of the last key of that name in the first section of that
    // name (both without regard to ASCII case), or def. Names are compared
    // as they are: a key written with a leading blank is not found without it.
    std::string GetValue(const std::string& section, const std::string& key, const std::string& def) const;

    const std::vector<CSection>& Sections() const { return m_Sections; }

private:
    void AddLine(const std::string& line);

    std::vector<CSection> m_Sections;
    size_t m_nCurrent = 0;
    std::string m_strNextName;
};

// The same reader under the name the version file code knows it by.
class CPrivateProfile : public CIniEx {};

// UTF-8 of bytes that are valid UTF-8 as they are, Latin-1 otherwise.
std::string DecodeUtf8OrLatin1(const std::string& bytes);

} // namespace velmora
