// The newer version's installer, fetched for the user to look at. The
// version file names an installer built for another system, so it is
// only saved (in the user's download folder), never started.
//
// The file is first written into a folder of its own that only this user
// can enter, so nobody can slip a link or another file under its name;
// only a complete download (status 200, the announced length, every write
// done) whose SHA-256 digest matches the version file's, when that names
// one, is moved out of it.
#pragma once

#include <QString>
#include <QUrl>

namespace velmora {

struct InstallerDownloadResult {
    enum class Outcome {
        Saved,          // in path; verified tells whether a digest was checked
        NotHttps,       // the address is not an HTTPS one
        NoConnection,   // no trusted connection, an unsafe redirect, a time-out
        HttpStatus,     // the server answered with httpStatus instead of 200
        Incomplete,     // fewer bytes than announced
        TooLarge,       // more than kMaxInstallerSize
        WriteFailed,    // the disk refused a write or the move (detail says why)
        DigestMismatch, // the file was not the one the version file describes; deleted
    };
    Outcome outcome = Outcome::NoConnection;
    bool verified = false;
    QString path;
    int httpStatus = 0;
    QString detail;

    bool Ok() const { return outcome == Outcome::Saved; }
};

inline constexpr qint64 kMaxInstallerSize = 512LL * 1024 * 1024;

// The last part of the address's path, reduced to letters, digits, ".",
// "-" and "_" (no leading dot), at most 100 characters; "installer" when
// nothing is left.
QString CleanInstallerName(const QUrl& url);

// Downloads url and moves the file into targetDir under its clean name (with
// " (2)", " (3)", ... before the extension when that name is taken). sha256:
// the expected digest in hexadecimal, or empty when there is none. Runs an
// event loop until the transfer has ended (user input is held back);
// timeoutMs without any progress ends it.
InstallerDownloadResult DownloadInstaller(const QUrl& url, const QString& sha256, const QString& targetDir,
                                          int timeoutMs = 10000);

// What to tell the user about result (for a saved file: where it is, and
// whether it could be verified).
QString InstallerDownloadMessage(const InstallerDownloadResult& result);

} // namespace velmora
