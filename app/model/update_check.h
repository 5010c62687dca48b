// What the update server's version file says and whether it names a newer
// program than this one. No network here: the text comes from
// CUpdateChecker (update_checker.h).
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace velmora {

// The section of the version file that describes this program.
inline constexpr char kUpdateProductSection[] = "KavexVelmora";

struct ProgramVersion {
    QString text;      // shown in the about box
    uint32_t number;   // major * 1000 + minor
    QString buildDate; // "yyyy-MM-dd"
};

// This program: the version it was built as, and the day its file was
// last written (local time).
ProgramVersion OwnProgramVersion();

// major * 1000 + minor of "major.minor" ("major" alone is major.0). Digits
// only, minor below 1000, and a major small enough not to overflow; nullopt
// for anything else (a sign, blanks, an empty part).
std::optional<uint32_t> VersionNumber(const QString& text);

// The product section of a version file, values without surrounding blanks.
struct VersionFileInfo {
    QString version;
    QString build;
    QString installer;
    QString sha256; // optional: the installer's SHA-256 digest, hexadecimal
};
VersionFileInfo ReadVersionFile(const QByteArray& text);

// A build date the comparison accepts: "YYYY-MM-DD", a real day.
bool IsBuildDate(const QString& text);

// A newer version number, or else a later build date; a version or build
// the file does not give in the accepted form never counts as newer.
bool IsNewerVersionKnown(const VersionFileInfo& file, const ProgramVersion& own);

// How the download of the version file ended.
enum class UpdateDownload {
    Running,      // not finished yet
    NoConnection, // no answer, no trusted TLS connection, an unsafe redirect, a time-out
    NoFile,       // the server answered, but not with a usable file (an error status, too large)
    Downloaded,   // the text is complete
};

// The about box's update line.
enum class UpdateState { Checking, NoConnection, NoFile, NewVersion, UpToDate };
struct UpdateLine {
    UpdateState state = UpdateState::Checking;
    QString text;
    VersionFileInfo file;
};
UpdateLine EvaluateUpdate(UpdateDownload download, const QByteArray& text, const ProgramVersion& own);

} // namespace velmora
