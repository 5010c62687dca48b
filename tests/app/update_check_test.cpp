// The update check against an HTTPS server on 127.0.0.1 with a certificate
// authority made by the test: the about box's update line, the refused
// transfers, one download per run, the automatic check at start, the links
// and the installer download.
#include "app/model/installer_download.h"
#include "app/model/ui_strings.h"
#include "app/model/update_check.h"
#include "app/model/update_checker.h"
#include "app/settings/settings.h"
#include "app/ui/about_dlg.h"
#include "app/ui/link_label.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"
#include "tests/app/https_test_server.h"
#include "tests/app/main_window_fixture.h"
#include "tests/app/opened_urls.h"
#include "tests/app/ui_test_support.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace velmora {
namespace {

using test::HttpsTestServer;
using test::TestResponse;

const QString kVersionFilePath = QStringLiteral("rfid/software/RFIDVersionsHF.txt");

// Runs the event loop until done() holds (or half a minute has gone, which
// only a broken program takes).
bool WaitUntil(const std::function<bool()>& done)
{
    QTimer guard;
    guard.setSingleShot(true);
    guard.start(30000);
    while (!done() && guard.isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

QByteArray VersionFile(const QString& version, const QString& build, const QByteArray& more = QByteArray())
{
    // Another product's section first: only ours counts.
    return "[Other]\r\nVersion=999.0\r\n[KavexVelmora]\r\nVersion=" + version.toUtf8() + "\r\nBuild=" + build.toUtf8() +
           "\r\n" + more;
}

QString NextDay(const QString& date)
{
    return QDate::fromString(date, QStringLiteral("yyyy-MM-dd")).addDays(1).toString(QStringLiteral("yyyy-MM-dd"));
}

// The checker the program would have, pointed at the test server.
struct InstalledChecker {
    explicit InstalledChecker(const QUrl& base) : checker(CUpdateChecker::VersionFileUrl(base.toString()))
    {
        SetUpdateChecker(&checker);
    }
    ~InstalledChecker() { SetUpdateChecker(nullptr); }
    CUpdateChecker checker;
};

class UpdateCheckTest : public ::testing::Test {
protected:
    // The application before any of the members below.
    const bool app = (test::App(), true);

    // Serves text as the version file under /name/ and returns that base.
    QUrl ServeVersionFile(const QString& name, TestResponse response)
    {
        const QString base = QLatin1Char('/') + name + QLatin1Char('/');
        server.Serve(base + kVersionFilePath, std::move(response));
        return server.Url(base);
    }
    int Requests(const QString& name)
    {
        return server.Requests(QLatin1Char('/') + name + QLatin1Char('/') + kVersionFilePath);
    }

    // What a lone checker makes of the server's answer.
    static UpdateDownload Fetch(CUpdateChecker& checker)
    {
        QObject listener;
        bool told = false;
        checker.StartUpdateCheck(&listener, [&told] { told = true; });
        EXPECT_TRUE(WaitUntil([&told] { return told; }));
        return checker.Download();
    }

    test::IsolatedSettings settings;
    test::ScriptedMessages messages;
    HttpsTestServer server;
};

TEST(UpdateRulesTest, VersionNumbersAndDates)
{
    EXPECT_EQ(VersionNumber(QStringLiteral("1.24")), 1024u);
    EXPECT_EQ(VersionNumber(QStringLiteral("1.5")), 1005u);
    EXPECT_EQ(VersionNumber(QStringLiteral("2")), 2000u);
    EXPECT_EQ(VersionNumber(QStringLiteral("4000000.999")), 4000000999u);
    for (const char* bad : {"-1.0", "+1.0", "1.-1", " 1.2", "1.1000", "4000001.0", "99999999999.0", "1.", ".5", "",
                            "1.2.3", "0x10.0", "-.--"})
        EXPECT_EQ(VersionNumber(QString::fromLatin1(bad)), std::nullopt) << bad;

    const ProgramVersion own{QStringLiteral("1.30"), 1030, QStringLiteral("2024-06-01")};
    auto newer = [&own](const char* version, const char* build) {
        return IsNewerVersionKnown({QString::fromLatin1(version), QString::fromLatin1(build), {}, {}}, own);
    };
    EXPECT_TRUE(newer("1.31", ""));
    EXPECT_TRUE(newer("1.29", "2024-06-02")); // the build date decides
    EXPECT_FALSE(newer("1.30", ""));
    EXPECT_FALSE(newer("1.30", "2024-06-01"));
    EXPECT_FALSE(newer("-1.0", "2099-01-01"));
    EXPECT_FALSE(newer("1.30", "2024-6-2"));
    EXPECT_FALSE(newer("1.30", "2024-13-01"));
    // A server's blank after the date does not make the same build newer.
    const VersionFileInfo file = ReadVersionFile("[KavexVelmora]\nVersion=1.30 \nBuild=2024-06-01 \n");
    EXPECT_EQ(file.build, QStringLiteral("2024-06-01"));
    EXPECT_FALSE(IsNewerVersionKnown(file, own));
    // The base address from the environment, with or without its slash.
    EXPECT_EQ(CUpdateChecker::VersionFileUrl(QStringLiteral("https://h.example/a")),
              QUrl(QStringLiteral("https://h.example/a/rfid/software/RFIDVersionsHF.txt")));
}

TEST_F(UpdateCheckTest, AboutBoxShowsWhatTheServerSays)
{
    const ProgramVersion own = OwnProgramVersion();
    const QString major = QString::number(own.number / 1000);
    const QString same = major + QLatin1Char('.') + QString::number(own.number % 1000);
    const QString higher = major + QLatin1Char('.') + QString::number(own.number % 1000 + 1);
    const QString product = LoadStr(kIdsProductName);
    struct Case {
        const char* name;
        TestResponse response;
        UpdateState state;
        QString text;
        QColor color;
    };
    const QColor red(255, 0, 0), darkRed(192, 0, 0), grey(128, 128, 128);
    const Case cases[] = {
        {"newer",
         {200, VersionFile(higher, own.buildDate)},
         UpdateState::NewVersion,
         LoadStr(kIdsUpdateNewVersion).arg(product, higher, own.buildDate),
         darkRed},
        {"later-build",
         {200, VersionFile(same, NextDay(own.buildDate))},
         UpdateState::NewVersion,
         LoadStr(kIdsUpdateNewVersion).arg(product, same, NextDay(own.buildDate)),
         darkRed},
        {"older",
         {200, VersionFile(QStringLiteral("0.0"), QStringLiteral("2000-01-01"))},
         UpdateState::UpToDate,
         LoadStr(kIdsUpdateCurrent).arg(product),
         grey},
        {"blank-after-build",
         {200, VersionFile(same, own.buildDate + QLatin1Char(' '))},
         UpdateState::UpToDate,
         LoadStr(kIdsUpdateCurrent).arg(product),
         grey},
        {"empty-build", {200, VersionFile(same, QString())}, UpdateState::NoFile, LoadStr(kIdsUpdateNoFile), red},
        {"negative",
         {200, VersionFile(QStringLiteral("-1.0"), own.buildDate)},
         UpdateState::NoFile,
         LoadStr(kIdsUpdateNoFile),
         red},
        {"error-page", {404, "<html>not found</html>"}, UpdateState::NoFile, LoadStr(kIdsUpdateNoFile), red},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstalledChecker installed(ServeVersionFile(QString::fromLatin1(c.name), c.response));
        CAboutDlg box;
        box.OnInitDialog();
        auto* line = test::Find<CLabel>(*box.Template(), kIdcUpdateLine);
        EXPECT_TRUE(line->font().italic());
        ASSERT_TRUE(WaitUntil([&box] { return box.Line().state != UpdateState::Checking; }));
        EXPECT_EQ(box.Line().state, c.state);
        EXPECT_EQ(line->text(), c.text);
        EXPECT_EQ(line->TextColor(), c.color);
        // The update line is never a link, whatever the server wrote.
        EXPECT_FALSE(line->IsLink());
    }
}

TEST_F(UpdateCheckTest, UnsafeOrBrokenTransfersGiveNoText)
{
    const QByteArray newer = VersionFile(QStringLiteral("9999.0"), QStringLiteral("2099-01-01"));
    const QByteArray tooLarge = newer + QByteArray(CUpdateChecker::kMaxFileSize, ';');
    struct Case {
        const char* name;
        QUrl base;
        UpdateDownload expected;
    };
    const QUrl plain = QUrl(
        server.Url(QStringLiteral("/newer/")).toString().replace(QStringLiteral("https:"), QStringLiteral("http:")));
    ServeVersionFile(QStringLiteral("newer"), {200, newer});
    HttpsTestServer untrusted(true);
    untrusted.Serve(QStringLiteral("/") + kVersionFilePath, {200, newer});
    test::SilentTestServer silent;
    const Case cases[] = {
        {"over the cap", ServeVersionFile(QStringLiteral("large"), {200, tooLarge}), UpdateDownload::NoFile},
        {"over the cap, no length", ServeVersionFile(QStringLiteral("large-unannounced"), {200, tooLarge, {}, false}),
         UpdateDownload::NoFile},
        {"cut short", ServeVersionFile(QStringLiteral("short"), {200, newer, {}, true, newer.size() + 100}),
         UpdateDownload::NoConnection},
        {"redirect to http",
         ServeVersionFile(QStringLiteral("to-http"),
                          {302, {}, {{"Location", plain.resolved(QUrl(kVersionFilePath)).toEncoded()}}}),
         UpdateDownload::NoConnection},
        {"certificate of another CA", untrusted.Url(), UpdateDownload::NoConnection},
        {"no answer", silent.Url(), UpdateDownload::NoConnection},
        {"plain http", plain, UpdateDownload::NoConnection},
        {"redirect to https",
         ServeVersionFile(
             QStringLiteral("to-https"),
             {302, {}, {{"Location", server.Url(QStringLiteral("/newer/") + kVersionFilePath).toEncoded()}}}),
         UpdateDownload::Downloaded},
    };
    const ProgramVersion own = OwnProgramVersion();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CUpdateChecker checker(CUpdateChecker::VersionFileUrl(c.base.toString()));
        checker.SetTimeout(500);
        EXPECT_EQ(Fetch(checker), c.expected);
        const bool ok = c.expected == UpdateDownload::Downloaded;
        // Whatever arrived before the failure is not used.
        EXPECT_EQ(checker.DownloadedText().isEmpty(), !ok);
        EXPECT_EQ(checker.IsNewerVersionKnown(own), ok);
    }
    EXPECT_EQ(Requests(QStringLiteral("newer")), 1); // the https redirect only
}

TEST_F(UpdateCheckTest, OneDownloadAndOnlyTheLatestListenerHears)
{
    InstalledChecker installed(ServeVersionFile(
        QStringLiteral("once"), {200, VersionFile(QStringLiteral("9999.0"), QStringLiteral("2099-01-01"))}));
    CAboutDlg first;
    first.OnInitDialog(); // starts the download
    CAboutDlg second;
    second.OnInitDialog(); // while it runs: takes over the notification
    ASSERT_TRUE(WaitUntil([&second] { return second.Line().state != UpdateState::Checking; }));
    EXPECT_EQ(second.Line().state, UpdateState::NewVersion);
    EXPECT_EQ(first.Line().state, UpdateState::Checking);

    // After the download: told at once, but from the event loop, with the
    // download already marked as ended.
    QObject listener;
    bool told = false, done = false;
    installed.checker.StartUpdateCheck(&listener, [&] {
        told = true;
        done = installed.checker.Done() && !installed.checker.DownloadedText().isEmpty();
    });
    EXPECT_FALSE(told);
    ASSERT_TRUE(WaitUntil([&told] { return told; }));
    EXPECT_TRUE(done);
    CAboutDlg third;
    third.OnInitDialog();
    ASSERT_TRUE(WaitUntil([&third] { return third.Line().state != UpdateState::Checking; }));
    EXPECT_EQ(third.Line().state, UpdateState::NewVersion);
    EXPECT_EQ(Requests(QStringLiteral("once")), 1);
}

TEST_F(UpdateCheckTest, GoneListenerAndExitDuringDownload)
{
    // A listener that is gone before the notification is not called.
    InstalledChecker installed(ServeVersionFile(
        QStringLiteral("gone"), {200, VersionFile(QStringLiteral("1.0"), QStringLiteral("2000-01-01"))}));
    bool called = false;
    {
        auto box = std::make_unique<CAboutDlg>();
        box->OnInitDialog();
        installed.checker.StartUpdateCheck(box.get(), [&called] { called = true; });
    }
    ASSERT_TRUE(WaitUntil([&installed] { return installed.checker.Done(); }));
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(called);

    // Leaving the program while the server keeps silent: nothing waits for
    // the transfer, and nobody is told afterwards.
    test::SilentTestServer silent;
    auto checker = std::make_unique<CUpdateChecker>(CUpdateChecker::VersionFileUrl(silent.Url().toString()));
    QObject listener;
    checker->StartUpdateCheck(&listener, [&called] { called = true; });
    EXPECT_FALSE(checker->Done());
    checker.reset();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}

TEST_F(UpdateCheckTest, LinksOpenOnlyTheirAddress)
{
    test::OpenedUrls opened;
    CAboutDlg box;
    box.OnInitDialog();
    auto click = [](QWidget* w) {
        const QPointF at(1, 1);
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
        QCoreApplication::sendEvent(w, &release);
    };
    click(test::Find<CLabel>(*box.Template(), kIdcWebLink));
    click(test::Find<CLabel>(*box.Template(), kIdcMailLink));
    ASSERT_EQ(opened.urls.size(), 2);
    EXPECT_EQ(opened.urls.at(0).scheme(), QStringLiteral("https"));
    EXPECT_EQ(opened.urls.at(1).scheme(), QStringLiteral("mailto"));

    // A label that shows an address is not a link for that, and only
    // https: and mailto: addresses can become one.
    CLabel label;
    label.resize(100, 20);
    label.setText(QStringLiteral("https://elsewhere.example/"));
    click(&label);
    for (const char* address : {"file:///bin/sh", "http://h.example/", "javascript:alert(1)", "https://", "/bin/sh"}) {
        label.SetLink(QString::fromLatin1(address));
        EXPECT_FALSE(label.IsLink()) << address;
        click(&label);
    }
    EXPECT_EQ(opened.urls.size(), 2);
}

TEST_F(UpdateCheckTest, AutoUpdateBoxIsTheSetting)
{
    WriteProfileInt(QStringLiteral("Version"), QStringLiteral("Update"), 0);
    CAboutDlg box;
    box.OnInitDialog();
    auto* check = test::Find<QCheckBox>(*box.Template(), kIdcAutoUpdate);
    EXPECT_FALSE(check->isChecked());
    check->setChecked(true);
    box.reject(); // Escape and the close box
    EXPECT_EQ(GetProfileInt(QStringLiteral("Version"), QStringLiteral("Update"), 0), 1);
}

class InstallerDownloadTest : public UpdateCheckTest {
protected:
    QStringList Saved() const { return QDir(target.path()).entryList(QDir::Files | QDir::Hidden); }
    QTemporaryDir target;
    const QByteArray installer = QByteArray("MZ installer bytes ").repeated(5000);
    const QString digest = QString::fromLatin1(QCryptographicHash::hash(installer, QCryptographicHash::Sha256).toHex());
};

TEST_F(InstallerDownloadTest, SavedOnlyWhenCompleteAndMatching)
{
    using Outcome = InstallerDownloadResult::Outcome;
    server.Serve(QStringLiteral("/files/Setup%20Velmora.exe"), {200, installer});
    server.Serve(QStringLiteral("/files/short.exe"), {200, installer, {}, true, installer.size() + 10});
    const QUrl url = server.Url(QStringLiteral("/files/Setup%20Velmora.exe"));

    // Verified: under its clean name, the very bytes, not executable.
    InstallerDownloadResult r = DownloadInstaller(url, digest.toUpper(), target.path());
    ASSERT_EQ(r.outcome, Outcome::Saved);
    EXPECT_TRUE(r.verified);
    EXPECT_EQ(r.path, QDir(target.path()).filePath(QStringLiteral("Setup_Velmora.exe")));
    QFile saved(r.path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), installer);
    EXPECT_EQ(saved.permissions() & (QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther), QFile::Permissions());

    // Without a digest: saved beside the first, not verified.
    r = DownloadInstaller(url, QString(), target.path());
    ASSERT_EQ(r.outcome, Outcome::Saved);
    EXPECT_FALSE(r.verified);
    EXPECT_EQ(r.path, QDir(target.path()).filePath(QStringLiteral("Setup_Velmora (2).exe")));
    EXPECT_TRUE(InstallerDownloadMessage(r).contains(r.path));

    // Nothing more is left behind by a mismatch, an error status, a
    // transfer cut short or an address that is not https.
    const QString other = QString(64, QLatin1Char('0'));
    EXPECT_EQ(DownloadInstaller(url, other, target.path()).outcome, Outcome::DigestMismatch);
    EXPECT_EQ(DownloadInstaller(url, QStringLiteral("not a digest"), target.path()).outcome, Outcome::DigestMismatch);
    const InstallerDownloadResult missing =
        DownloadInstaller(server.Url(QStringLiteral("/files/none.exe")), QString(), target.path());
    EXPECT_EQ(missing.outcome, Outcome::HttpStatus);
    EXPECT_EQ(missing.httpStatus, 404);
    EXPECT_EQ(DownloadInstaller(server.Url(QStringLiteral("/files/short.exe")), QString(), target.path()).outcome,
              Outcome::Incomplete);
    QUrl http = url;
    http.setScheme(QStringLiteral("http"));
    EXPECT_EQ(DownloadInstaller(http, QString(), target.path()).outcome, Outcome::NotHttps);
    EXPECT_EQ(Saved().size(), 2) << qPrintable(Saved().join(QLatin1Char(',')));

    EXPECT_EQ(CleanInstallerName(QUrl(QStringLiteral("https://h.example/a/..%2F..%2F.bashrc"))),
              QStringLiteral("bashrc"));
    EXPECT_EQ(CleanInstallerName(QUrl(QStringLiteral("https://h.example/dir/"))), QStringLiteral("installer"));
    EXPECT_EQ(CleanInstallerName(QUrl(QStringLiteral("https://h.example/.hidden"))), QStringLiteral("hidden"));
}

TEST_F(InstallerDownloadTest, AboutBoxSavesTheInstallerAndShowsTheFolder)
{
    // The user's download folder, here.
    const QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", target.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(QDir(target.path()).mkdir(QStringLiteral("Downloads")));
    struct Restore {
        QByteArray home, config;
        ~Restore()
        {
            qputenv("HOME", home);
            if (config.isEmpty())
                qunsetenv("XDG_CONFIG_HOME");
            else
                qputenv("XDG_CONFIG_HOME", config);
        }
    } restore{home, config};

    server.Serve(QStringLiteral("/files/setup.exe"), {200, installer});
    const QByteArray address = server.Url(QStringLiteral("/files/setup.exe")).toEncoded();
    InstalledChecker installed(
        ServeVersionFile(QStringLiteral("with-installer"),
                         {200, VersionFile(QStringLiteral("9999.0"), QStringLiteral("2099-01-01"),
                                           "Installer=" + address + "\r\nSHA256=" + digest.toLatin1() + "\r\n")}));
    test::OpenedUrls opened;
    CAboutDlg box;
    box.OnInitDialog();
    ASSERT_TRUE(WaitUntil([&box] { return box.Line().state != UpdateState::Checking; }));
    ASSERT_EQ(box.Line().state, UpdateState::NewVersion);
    const QString line = test::Find<CLabel>(*box.Template(), kIdcUpdateLine)->text();

    // "No": nothing is fetched.
    box.OnUpdateLineClicked();
    ASSERT_EQ(messages.questions.size(), 1);
    EXPECT_TRUE(messages.questions.at(0).contains(QString::fromLatin1(address)));
    EXPECT_EQ(server.Requests(QStringLiteral("/files/setup.exe")), 0);

    messages.answerYes = true;
    box.OnUpdateLineClicked();
    const QString downloads = QDir(target.path()).filePath(QStringLiteral("Downloads"));
    EXPECT_TRUE(QFileInfo::exists(QDir(downloads).filePath(QStringLiteral("setup.exe"))));
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls.at(0), QUrl::fromLocalFile(downloads));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown.at(0),
              LoadStr(kIdsInstallerVerified).arg(QDir(downloads).filePath(QStringLiteral("setup.exe"))));
    EXPECT_EQ(test::Find<CLabel>(*box.Template(), kIdcUpdateLine)->text(), line);
}

using AutomaticCheckTest = test::MainWindowFixture;

TEST_F(AutomaticCheckTest, AboutBoxOpensOnlyForANewerVersion)
{
    HttpsTestServer server;
    server.Serve(QStringLiteral("/new/") + kVersionFilePath,
                 {200, VersionFile(QStringLiteral("9999.0"), QStringLiteral("2099-01-01"))});
    server.Serve(QStringLiteral("/old/") + kVersionFilePath,
                 {200, VersionFile(QStringLiteral("0.0"), QStringLiteral("2000-01-01"))});
    {
        InstalledChecker installed(server.Url(QStringLiteral("/new/")));
        UpdateState seen = UpdateState::Checking;
        dialogs.Then([&seen](CModalDialog& dlg) {
            auto& about = dynamic_cast<CAboutDlg&>(dlg);
            WaitUntil([&about] { return about.Line().state != UpdateState::Checking; });
            seen = about.Line().state;
            return static_cast<int>(QDialog::Accepted);
        });
        Window();
        ASSERT_TRUE(WaitUntil([this] { return !dialogs.runs.isEmpty(); }));
        EXPECT_EQ(dialogs.runs, QStringList{QStringLiteral("velmora::CAboutDlg")});
        EXPECT_EQ(seen, UpdateState::NewVersion);
    }
    window.reset();
    {
        InstalledChecker installed(server.Url(QStringLiteral("/old/")));
        Window();
        ASSERT_TRUE(WaitUntil([&installed] { return installed.checker.Done(); }));
        QCoreApplication::processEvents();
        EXPECT_EQ(dialogs.runs.size(), 1);
    }
    window.reset();
    {
        // Switched off: no request at all.
        WriteProfileInt(QStringLiteral("Version"), QStringLiteral("Update"), 0);
        InstalledChecker installed(server.Url(QStringLiteral("/old/")));
        Window();
        QCoreApplication::processEvents();
        EXPECT_FALSE(installed.checker.Done());
        EXPECT_EQ(server.Requests(QStringLiteral("/old/") + kVersionFilePath), 1);
    }
}

} // namespace
} // namespace velmora
