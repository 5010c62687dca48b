#include "app/model/installer_download.h"

#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryDir>

namespace velmora {

namespace {

using Outcome = InstallerDownloadResult::Outcome;

constexpr QFile::Permissions kNotExecutable =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther;

bool IsSha256Hex(const QString& text)
{
    if (text.size() != 64) return false;
    for (const QChar c : text)
        if (!c.isDigit() && !(c >= QLatin1Char('a') && c <= QLatin1Char('f'))) return false;
    return true;
}

// Moves the finished file into dir under name, or a free variant of it;
// never replaces a file that is there.
bool MoveInto(const QString& from, const QString& dir, const QString& name, QString* path)
{
    const QFileInfo info(name);
    const QString base = info.baseName().isEmpty() ? name : info.baseName();
    const QString suffix =
        info.baseName().isEmpty() || info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.completeSuffix();
    for (int n = 1; n <= 100; ++n) {
        const QString candidate = QDir(dir).filePath(n == 1 ? name : base + QStringLiteral(" (%1)").arg(n) + suffix);
        if (QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink()) continue;
        if (QFile::rename(from, candidate)) {
            *path = candidate;
            return true;
        }
    }
    return false;
}

} // namespace

QString CleanInstallerName(const QUrl& url)
{
    QString name = url.path();
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    QString clean;
    for (const QChar c : name) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c.isDigit() || c == QLatin1Char('.') ||
                           c == QLatin1Char('-') || c == QLatin1Char('_');
        clean += plain && c.unicode() < 128 ? c : QLatin1Char('_');
    }
    while (clean.startsWith(QLatin1Char('.')) || clean.startsWith(QLatin1Char('-'))) clean.remove(0, 1);
    clean.truncate(100);
    if (clean.isEmpty() || clean.count(QLatin1Char('_')) == clean.size()) clean = QStringLiteral("installer");
    return clean;
}

InstallerDownloadResult DownloadInstaller(const QUrl& url, const QString& sha256, const QString& targetDir,
                                          int timeoutMs)
{
    InstallerDownloadResult result;
    if (url.scheme() != QLatin1String("https") || url.host().isEmpty()) {
        result.outcome = Outcome::NotHttps;
        return result;
    }
    const QString expected = sha256.trimmed().toLower();

    QTemporaryDir privateDir(QDir(QDir::tempPath()).filePath(QStringLiteral("velmora-update-XXXXXX")));
    if (!privateDir.isValid()) {
        result.outcome = Outcome::WriteFailed;
        result.detail = privateDir.errorString();
        return result;
    }
    const QString name = CleanInstallerName(url);
    QFile file(privateDir.filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        result.outcome = Outcome::WriteFailed;
        result.detail = file.errorString();
        return result;
    }

    QNetworkAccessManager network;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(timeoutMs);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    request.setSslConfiguration(tls);

    QNetworkReply* reply = network.get(request);
    reply->setReadBufferSize(1 << 20);
    QCryptographicHash digest(QCryptographicHash::Sha256);
    qint64 received = 0;
    // Set before an abort of our own: what the user is told instead of
    // "cancelled".
    Outcome stop = Outcome::NoConnection;
    auto abort = [&](Outcome why) {
        stop = why;
        reply->abort();
    };

    QObject::connect(reply, &QNetworkReply::redirected, reply, [&](const QUrl& to) {
        if (to.scheme() == QLatin1String("https"))
            emit reply->redirectAllowed();
        else
            abort(Outcome::NoConnection);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status != 200) return; // an error page is not written anywhere
        while (reply->bytesAvailable() > 0) {
            const QByteArray block = reply->read(64 * 1024);
            received += block.size();
            if (received > kMaxInstallerSize) return abort(Outcome::TooLarge);
            if (file.write(block) != block.size()) {
                result.detail = file.errorString();
                return abort(Outcome::WriteFailed);
            }
            digest.addData(block);
        }
    });
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (reply->error() == QNetworkReply::OperationCanceledError) {
        result.outcome = stop;
    } else if (status.isValid() && status.toInt() != 200) {
        result.outcome = Outcome::HttpStatus;
        result.httpStatus = status.toInt();
    } else if (reply->error() != QNetworkReply::NoError) {
        result.outcome = status.isValid() ? Outcome::Incomplete : Outcome::NoConnection;
        result.detail = reply->errorString();
    } else if (length.isValid() && length.toLongLong() != received) {
        result.outcome = Outcome::Incomplete;
    } else if (!file.flush() || file.error() != QFileDevice::NoError) {
        result.outcome = Outcome::WriteFailed;
        result.detail = file.errorString();
    } else if (!expected.isEmpty() &&
               (!IsSha256Hex(expected) || QString::fromLatin1(digest.result().toHex()) != expected)) {
        result.outcome = Outcome::DigestMismatch;
    } else {
        result.outcome = Outcome::Saved;
        result.verified = !expected.isEmpty();
    }
    file.close();
    if (!result.Ok()) {
        file.remove(); // the private folder goes with privateDir
        return result;
    }
    file.setPermissions(kNotExecutable);
    if (!QDir().mkpath(targetDir) || !MoveInto(file.fileName(), targetDir, name, &result.path)) {
        result.outcome = Outcome::WriteFailed;
        result.detail = targetDir;
        result.verified = false;
        file.remove();
    }
    return result;
}

QString InstallerDownloadMessage(const InstallerDownloadResult& result)
{
    switch (result.outcome) {
    case Outcome::Saved:
        return LoadStr(result.verified ? kIdsInstallerVerified : kIdsInstallerUnverified).arg(result.path);
    case Outcome::DigestMismatch: return LoadStr(kIdsInstallerDigestMismatch);
    case Outcome::NotHttps: return LoadStr(kIdsInstallerFailed).arg(LoadStr(kIdsInstallerNotHttps));
    case Outcome::NoConnection: return LoadStr(kIdsInstallerFailed).arg(LoadStr(kIdsInstallerNoConnection));
    case Outcome::HttpStatus:
        return LoadStr(kIdsInstallerFailed).arg(LoadStr(kIdsInstallerHttpStatus).arg(result.httpStatus));
    case Outcome::Incomplete: return LoadStr(kIdsInstallerFailed).arg(LoadStr(kIdsInstallerIncomplete));
    case Outcome::TooLarge: return LoadStr(kIdsInstallerFailed).arg(LoadStr(kIdsInstallerTooLarge));
    case Outcome::WriteFailed:
        return LoadStr(kIdsInstallerFailed).arg(LoadStr(kIdsInstallerWriteFailed).arg(result.detail));
    }
    return QString();
}

} // namespace velmora
