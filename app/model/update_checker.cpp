#include "app/model/update_checker.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace velmora {

namespace {

CUpdateChecker* g_pChecker = nullptr;

// The server answered, but not with the file (a status other than 200);
// as against a transfer that broke off.
bool AnsweredWithoutFile(QNetworkReply::NetworkError error)
{
    return error == QNetworkReply::NoError ||
           (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

} // namespace

CUpdateChecker* UpdateChecker()
{
    return g_pChecker;
}

void SetUpdateChecker(CUpdateChecker* checker)
{
    g_pChecker = checker;
}

CUpdateChecker::CUpdateChecker(const QUrl& versionFile, QObject* parent)
    : QObject(parent), m_Url(versionFile), m_pNetwork(new QNetworkAccessManager(this)), m_pDeadline(new QTimer(this))
{
    m_pDeadline->setSingleShot(true);
    connect(m_pDeadline, &QTimer::timeout, this, [this] {
        m_eFailure = UpdateDownload::NoConnection;
        if (m_pReply) m_pReply->abort();
    });
}

CUpdateChecker::~CUpdateChecker()
{
    if (m_pReply) {
        m_pReply->disconnect(this);
        m_pReply->abort();
    }
}

QUrl CUpdateChecker::DefaultVersionFileUrl()
{
    const QString fromEnvironment = qEnvironmentVariable("KAVEX_UPDATE_URL");
    return VersionFileUrl(fromEnvironment.isEmpty() ? QStringLiteral(KAVEX_UPDATE_BASE_URL) : fromEnvironment);
}

QUrl CUpdateChecker::VersionFileUrl(const QString& baseAddress)
{
    QString base = baseAddress.trimmed();
    if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
    return QUrl(base + QStringLiteral("rfid/software/RFIDVersionsHF.txt"));
}

void CUpdateChecker::StartUpdateCheck(QObject* listener, std::function<void()> onNotify)
{
    disconnect(m_Listener);
    // Queued: the listener hears of the result from its event loop, also
    // when the text is there already, and Qt drops the call when the
    // listener is gone by then.
    m_Listener = connect(this, &CUpdateChecker::Notify, listener, std::move(onNotify), Qt::QueuedConnection);
    if (!m_bStarted) {
        m_bStarted = true;
        Begin();
        return;
    }
    if (Done()) emit Notify();
}

void CUpdateChecker::Begin()
{
    if (m_Url.scheme() != QLatin1String("https") || m_Url.host().isEmpty()) {
        Finish(UpdateDownload::NoConnection);
        return;
    }
    QNetworkRequest request(m_Url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // The bytes as the server keeps them: the size limit applies to them.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(m_nTimeoutMs);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    request.setSslConfiguration(tls);

    m_pReply = m_pNetwork->get(request);
    m_pReply->setReadBufferSize(kMaxFileSize + 1);
    connect(m_pReply, &QNetworkReply::redirected, this, [this](const QUrl& url) {
        // Only to an address as safe as the first.
        if (url.scheme() == QLatin1String("https")) {
            emit m_pReply->redirectAllowed();
            return;
        }
        m_eFailure = UpdateDownload::NoConnection;
        m_pReply->abort();
    });
    connect(m_pReply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = m_pReply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > kMaxFileSize) {
            m_eFailure = UpdateDownload::NoFile;
            m_pReply->abort();
        }
    });
    connect(m_pReply, &QNetworkReply::readyRead, this, &CUpdateChecker::OnReadyRead);
    connect(m_pReply, &QNetworkReply::finished, this, &CUpdateChecker::OnFinished);
    m_pDeadline->start(m_nTimeoutMs);
}

void CUpdateChecker::OnReadyRead()
{
    if (!m_pReply) return;
    m_Buffer += m_pReply->read(kMaxFileSize + 1 - m_Buffer.size());
    if (m_Buffer.size() > kMaxFileSize) {
        m_eFailure = UpdateDownload::NoFile;
        m_pReply->abort();
    }
}

void CUpdateChecker::OnFinished()
{
    if (!m_pReply || m_eDownload != UpdateDownload::Running) return;
    QNetworkReply* reply = m_pReply;
    if (reply->error() == QNetworkReply::NoError) OnReadyRead();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (reply->error() == QNetworkReply::OperationCanceledError) {
        Finish(m_eFailure);
    } else if (reply->error() == QNetworkReply::NoError && status.toInt() == 200) {
        // The text ends at a NUL byte, as a text file does.
        const qsizetype nul = m_Buffer.indexOf('\0');
        m_Text = nul < 0 ? m_Buffer : m_Buffer.left(nul);
        Finish(UpdateDownload::Downloaded);
    } else if (status.isValid() && AnsweredWithoutFile(reply->error())) {
        Finish(UpdateDownload::NoFile); // the server answered, with an error page or the like
    } else {
        Finish(UpdateDownload::NoConnection);
    }
}

void CUpdateChecker::Finish(UpdateDownload result)
{
    m_pDeadline->stop();
    if (m_pReply) {
        m_pReply->disconnect(this);
        m_pReply->deleteLater();
        m_pReply = nullptr;
    }
    m_Buffer.clear();
    if (result != UpdateDownload::Downloaded) m_Text.clear();
    // Ended first, then told: a listener that asks again from its handler
    // finds the text.
    m_eDownload = result;
    emit Notify();
}

} // namespace velmora
