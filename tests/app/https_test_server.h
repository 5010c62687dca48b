// An HTTPS server on 127.0.0.1 for the update check, with a certificate
// authority that the test run makes itself (openssl), trusted by the
// process for its lifetime. Nothing here talks to any other address.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

class QSslServer;
class QTcpServer;
class QTcpSocket;

namespace velmora::test {

// Made once per process: a CA that the process trusts, a server certificate
// for 127.0.0.1 signed by it, and one signed by a CA nobody trusts.
struct TestCertificates {
    QSslCertificate trustedCa;
    QSslCertificate server;
    QSslKey serverKey;
    QSslCertificate untrustedServer;
    QSslKey untrustedKey;

    // Also adds trustedCa to the process's default TLS configuration.
    static const TestCertificates& Get();
};

struct TestResponse {
    using Headers = QList<QPair<QByteArray, QByteArray>>;
    TestResponse(int status_ = 200, QByteArray body_ = QByteArray(), Headers headers_ = Headers(),
                 bool sendLength_ = true, qint64 announcedLength_ = -1)
        : status(status_), body(std::move(body_)), headers(std::move(headers_)), sendLength(sendLength_),
          announcedLength(announcedLength_)
    {
    }
    int status = 200;
    QByteArray body;
    Headers headers;
    bool sendLength = true;
    qint64 announcedLength = -1; // a Content-Length other than the body's
};

class HttpsTestServer {
public:
    // untrusted: present the certificate of the CA nobody trusts.
    explicit HttpsTestServer(bool untrusted = false);
    ~HttpsTestServer();

    void Serve(const QString& path, TestResponse response);
    QUrl Url(const QString& path = QStringLiteral("/")) const;
    // Requests seen for path.
    int Requests(const QString& path) const { return m_Requests.value(path); }

private:
    void Answer(QTcpSocket* socket);

    std::unique_ptr<QSslServer> m_pServer;
    QMap<QString, TestResponse> m_Responses;
    QMap<QString, int> m_Requests;
};

// Accepts connections on 127.0.0.1 and never says a word.
class SilentTestServer {
public:
    SilentTestServer();
    ~SilentTestServer();
    QUrl Url() const;

private:
    std::unique_ptr<QTcpServer> m_pServer;
};

} // namespace velmora::test
