// What the program asks the desktop to open, recorded instead of opened.
#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

namespace velmora::test {

class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls()
    {
        for (const char* scheme : kSchemes) QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
    ~OpenedUrls() override
    {
        for (const char* scheme : kSchemes) QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls << url; }

private:
    static constexpr const char* kSchemes[] = {"https", "http", "mailto", "file", "ftp"};
};

} // namespace velmora::test
