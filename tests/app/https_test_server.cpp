#include "tests/app/https_test_server.h"

#include <QFile>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QProcess>
#include <QSslConfiguration>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>

namespace velmora::test {

namespace {

void OpenSsl(const QString& dir, const QStringList& args)
{
    QProcess openssl;
    openssl.setWorkingDirectory(dir);
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), args);
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0)
        qFatal("openssl %s failed: %s", qPrintable(args.join(QLatin1Char(' '))), openssl.readAll().constData());
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

// A CA named name, and a certificate for 127.0.0.1 signed by it.
void MakeChain(const QString& dir, const QString& name)
{
    const QStringList ec = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    OpenSsl(dir,
            QStringList{QStringLiteral("req"), QStringLiteral("-x509")}
                << ec
                << QStringList{QStringLiteral("-keyout"), name + QStringLiteral("-ca.key"), QStringLiteral("-out"),
                               name + QStringLiteral("-ca.crt"), QStringLiteral("-days"), QStringLiteral("2"),
                               QStringLiteral("-subj"), QStringLiteral("/CN=Velmora test CA ") + name,
                               QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                               QStringLiteral("-addext"), QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")});
    OpenSsl(dir, QStringList{QStringLiteral("req")}
                     << ec
                     << QStringList{QStringLiteral("-keyout"), name + QStringLiteral("-server.key"),
                                    QStringLiteral("-out"), name + QStringLiteral("-server.csr"),
                                    QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")});
    QFile ext(dir + QStringLiteral("/server.ext"));
    if (!ext.open(QIODevice::WriteOnly)) qFatal("cannot write server.ext");
    ext.write("basicConstraints=CA:FALSE\nsubjectAltName=IP:127.0.0.1,DNS:localhost\n"
              "extendedKeyUsage=serverAuth\nkeyUsage=critical,digitalSignature\n");
    ext.close();
    OpenSsl(dir, {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                  name + QStringLiteral("-server.csr"), QStringLiteral("-CA"), name + QStringLiteral("-ca.crt"),
                  QStringLiteral("-CAkey"), name + QStringLiteral("-ca.key"), QStringLiteral("-CAcreateserial"),
                  QStringLiteral("-out"), name + QStringLiteral("-server.crt"), QStringLiteral("-days"),
                  QStringLiteral("2"), QStringLiteral("-extfile"), QStringLiteral("server.ext")});
}

QByteArray ReasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    default: return "Status";
    }
}

} // namespace

const TestCertificates& TestCertificates::Get()
{
    static const TestCertificates certificates = [] {
        QTemporaryDir dir;
        MakeChain(dir.path(), QStringLiteral("trusted"));
        MakeChain(dir.path(), QStringLiteral("other"));
        TestCertificates c;
        auto cert = [&dir](const char* file) {
            return QSslCertificate(ReadFile(dir.filePath(QString::fromLatin1(file))), QSsl::Pem);
        };
        auto key = [&dir](const char* file) {
            return QSslKey(ReadFile(dir.filePath(QString::fromLatin1(file))), QSsl::Ec, QSsl::Pem);
        };
        c.trustedCa = cert("trusted-ca.crt");
        c.server = cert("trusted-server.crt");
        c.serverKey = key("trusted-server.key");
        c.untrustedServer = cert("other-server.crt");
        c.untrustedKey = key("other-server.key");
        if (c.trustedCa.isNull() || c.server.isNull() || c.serverKey.isNull() || c.untrustedKey.isNull())
            qFatal("test certificates unreadable");

        // Only our own CA, and straight to 127.0.0.1 whatever the environment says.
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates({c.trustedCa});
        QSslConfiguration::setDefaultConfiguration(tls);
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        return c;
    }();
    return certificates;
}

HttpsTestServer::HttpsTestServer(bool untrusted) : m_pServer(std::make_unique<QSslServer>())
{
    const TestCertificates& c = TestCertificates::Get();
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(untrusted ? c.untrustedServer : c.server);
    tls.setPrivateKey(untrusted ? c.untrustedKey : c.serverKey);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_pServer->setSslConfiguration(tls);
    QObject::connect(m_pServer.get(), &QTcpServer::pendingConnectionAvailable, m_pServer.get(), [this] {
        while (m_pServer->hasPendingConnections()) {
            QTcpSocket* socket = m_pServer->nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Answer(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            if (socket->bytesAvailable() > 0) Answer(socket);
        }
    });
    if (!m_pServer->listen(QHostAddress::LocalHost, 0)) qFatal("test server cannot listen");
}

HttpsTestServer::~HttpsTestServer() = default;

void HttpsTestServer::Serve(const QString& path, TestResponse response)
{
    m_Responses.insert(path, std::move(response));
}

QUrl HttpsTestServer::Url(const QString& path) const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(m_pServer->serverPort()).arg(path));
}

void HttpsTestServer::Answer(QTcpSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool()) return;
    socket->setProperty("answered", true);

    const QList<QByteArray> line = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = line.size() > 1 ? QString::fromLatin1(line.at(1)) : QString();
    ++m_Requests[path];
    const TestResponse response = m_Responses.value(path, TestResponse{404, "not here", {}, true, -1});
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + ReasonPhrase(response.status) +
                     "\r\nConnection: close\r\n";
    for (const auto& [name, value] : response.headers) out += name + ": " + value + "\r\n";
    if (response.sendLength)
        out += "Content-Length: " +
               QByteArray::number(response.announcedLength >= 0 ? response.announcedLength : response.body.size()) +
               "\r\n";
    out += "\r\n" + response.body;
    socket->write(out);
    socket->disconnectFromHost();
}

SilentTestServer::SilentTestServer() : m_pServer(std::make_unique<QTcpServer>())
{
    TestCertificates::Get();
    // Connections stay pending, unanswered, until the server goes.
    m_pServer->setMaxPendingConnections(100);
    if (!m_pServer->listen(QHostAddress::LocalHost, 0)) qFatal("silent server cannot listen");
}

SilentTestServer::~SilentTestServer() = default;

QUrl SilentTestServer::Url() const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(m_pServer->serverPort()));
}

} // namespace velmora::test
