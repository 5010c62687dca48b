// The per-user settings store: "Brakk Applikationen" / "Kavex_Velmora" /
// section / key, kept as an INI file by QSettings. A missing or unreadable
// file reads as empty, so every caller's default applies and nothing stops
// the program.
#pragma once

#include <QString>

namespace velmora {

constexpr const char* kSettingsOrganisation = "Brakk Applikationen";
constexpr const char* kSettingsApplication = "Kavex_Velmora";

// A value that is absent or not a number gives def.
int GetProfileInt(const QString& section, const QString& key, int def);
void WriteProfileInt(const QString& section, const QString& key, int value);
QString GetProfileString(const QString& section, const QString& key, const QString& def);
// A null key removes the whole section.
void WriteProfileString(const QString& section, const QString& key, const QString& value);
void DeleteProfileSection(const QString& section);

// Where the INI file lives (for messages and tests).
QString SettingsFilePath();

} // namespace velmora
