// The per-user settings store: "Brakk Applikationen" / "Kavex_Velmora" /
// section / key, kept as an INI file by QSettings. A missing or unreadable
// file reads as empty, so every caller's default applies and nothing stops
// the program.
//
// The file holds the key store, so it is its owner's alone (mode 0600, in a
// directory of mode 0700 when we create one), from its creation and after
// every rewrite.
#pragma once

#include <QString>

#include <functional>
#include <utility>
#include <vector>

namespace velmora {

constexpr const char* kSettingsOrganisation = "Brakk Applikationen";
constexpr const char* kSettingsApplication = "Kavex_Velmora";

// A value that is absent or not a number gives def.
int GetProfileInt(const QString& section, const QString& key, int def);
void WriteProfileInt(const QString& section, const QString& key, int value);
// A value the file holds as a list (unquoted commas) reads as its items
// joined by ", ", close to what the file shows.
QString GetProfileString(const QString& section, const QString& key, const QString& def);
// Every value directly in section, as GetProfileString reads it, keyed by name.
std::vector<std::pair<QString, QString>> GetProfileSection(const QString& section);
// A null key removes the whole section.
void WriteProfileString(const QString& section, const QString& key, const QString& value);
void DeleteProfileSection(const QString& section);
// Replaces the whole section in one rewrite of the file, so that a crash
// cannot leave it half written.
void ReplaceProfileSection(const QString& section, const std::vector<std::pair<QString, QString>>& values);

// Where the INI file lives (for messages and tests).
QString SettingsFilePath();
// The readers above take a missing or unreadable file for an empty one; a
// caller that must tell the user why a value is missing asks here. False
// with the reason, naming the file, in *problem.
bool SettingsFileReadable(QString* problem);

// A file that QSettings cannot parse would be rewritten without whatever it
// could not read, stored keys among it. Before anything is written over
// such a file a copy is kept beside it, "<file>.broken-YYYYMMDD-HHMMSS"
// (owner only, like the file); when no copy can be made nothing is written.
// Keeps that copy now, if the file needs one and none was kept for it in
// this run; returns its path (empty when none was kept now).
QString KeepBrokenSettingsCopy();
// Hears, once per copy, where a copy was kept; a copy kept while no
// notifier was set is told to the next one. Null removes it.
void SetBrokenSettingsNotifier(std::function<void(const QString& copyPath)> notifier);

} // namespace velmora
