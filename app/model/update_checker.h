// Fetches the update server's version file once per program run, in the
// background of the GUI thread's event loop, and tells the window that
// asked last when the text is there.
//
// Only HTTPS with the system's certificate check (never relaxed), redirects
// only to HTTPS addresses, no cache, a time limit and a size limit. The text
// is used only when the whole file arrived with status 200.
#pragma once

#include "app/model/update_check.h"

#include <QByteArray>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace velmora {

class CUpdateChecker : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 10000;
    static constexpr qint64 kMaxFileSize = 64 * 1024;

    explicit CUpdateChecker(const QUrl& versionFile = DefaultVersionFileUrl(), QObject* parent = nullptr);
    // A download still running is aborted: the program does not wait for it.
    ~CUpdateChecker() override;

    // The server's base address: KAVEX_UPDATE_URL from the environment when
    // set, else the one the program was built with; the version file lies
    // under "rfid/software/".
    static QUrl DefaultVersionFileUrl();
    static QUrl VersionFileUrl(const QString& baseAddress);

    // listener becomes the one (and only) receiver of the notification:
    // onNotify runs in its thread from the event loop, never within this
    // call, and not at all once the listener is destroyed. The first call
    // starts the download; while it runs, later calls only change the
    // listener; once it has ended, each call notifies at once (the text is
    // not fetched again).
    void StartUpdateCheck(QObject* listener, std::function<void()> onNotify);

    UpdateDownload Download() const { return m_eDownload; }
    bool Done() const { return m_eDownload != UpdateDownload::Running && m_bStarted; }
    // Empty unless the download is Downloaded.
    const QByteArray& DownloadedText() const { return m_Text; }
    UpdateLine Line(const ProgramVersion& own) const { return EvaluateUpdate(m_eDownload, m_Text, own); }
    bool IsNewerVersionKnown(const ProgramVersion& own) const { return Line(own).state == UpdateState::NewVersion; }

    // Tests wait less than a user would.
    void SetTimeout(int ms) { m_nTimeoutMs = ms; }

signals:
    // Queued to the listener; emitted after the download is marked ended.
    void Notify();

private:
    void Begin();
    void OnReadyRead();
    void OnFinished();
    void Finish(UpdateDownload result);

    QUrl m_Url;
    int m_nTimeoutMs = kTimeoutMs;
    bool m_bStarted = false;
    UpdateDownload m_eDownload = UpdateDownload::Running;
    UpdateDownload m_eFailure = UpdateDownload::NoConnection; // set when the reply is aborted on purpose
    QByteArray m_Buffer;
    QByteArray m_Text;
    QNetworkAccessManager* m_pNetwork;
    QPointer<QNetworkReply> m_pReply;
    QTimer* m_pDeadline;
    QMetaObject::Connection m_Listener;
};

// The program's one checker (none in tests that do not install one).
CUpdateChecker* UpdateChecker();
void SetUpdateChecker(CUpdateChecker* checker);

} // namespace velmora
