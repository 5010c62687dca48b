// Reads INI files the way QSettings (Qt 6) reads the ones it writes, so that
// the tool sees the program's settings without linking Qt: sections and
// keys with their %-escapes, values with quotes, backslash escapes, comma
// lists and the "@" markers of typed values. Texts come out as UTF-8.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kavex::cli {

class IniFile {
public:
    // nullopt with the reason in error when the file cannot be read.
    static std::optional<IniFile> Load(const std::string& path, std::string& error);
    static IniFile Parse(const std::string& text);

    // key is the full QSettings key: "Section/Name" ("Name" for the keys of
    // [General]). A value that QSettings would read as a list comes as its
    // items joined by ", "; values stored as other types than text (a
    // serialised variant, a rectangle, ...) do not count as present.
    std::optional<std::string> Value(const std::string& key) const;
    // The keys directly in section with their values, ordered by key.
    std::vector<std::pair<std::string, std::string>> Section(const std::string& section) const;
    const std::map<std::string, std::string>& Values() const { return values_; }

private:
    std::map<std::string, std::string> values_;
};

// QSettings' spellings, exposed for tests.
std::string IniUnescapeKey(const std::string& raw);
// Whether the value is a list, and the unescaped text or items.
bool IniUnescapeValue(const std::string& raw, std::u16string& text, std::vector<std::u16string>& list);

} // namespace kavex::cli
