// The settings store: defaults, sections, and a file for its owner only.
#include "app/settings/settings.h"
#include "tests/app/isolated_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace velmora {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    test::IsolatedSettings store;
};

TEST_F(SettingsTest, DefaultsAndValues)
{
    EXPECT_EQ(GetProfileInt(QStringLiteral("Port"), QStringLiteral("Baudrate"), 19200), 19200);
    EXPECT_EQ(GetProfileString(QStringLiteral("Port"), QStringLiteral("Name"), QStringLiteral("x")),
              QStringLiteral("x"));
    WriteProfileInt(QStringLiteral("Port"), QStringLiteral("Baudrate"), 19203);
    WriteProfileString(QStringLiteral("Port"), QStringLiteral("Name"), QStringLiteral("USB: 1262-1 HID"));
    EXPECT_EQ(GetProfileInt(QStringLiteral("Port"), QStringLiteral("Baudrate"), 0), 19203);
    EXPECT_EQ(GetProfileString(QStringLiteral("Port"), QStringLiteral("Name"), QString()),
              QStringLiteral("USB: 1262-1 HID"));
    // A value that is no number reads as the default.
    WriteProfileString(QStringLiteral("Port"), QStringLiteral("Timeout"), QStringLiteral("soon"));
    EXPECT_EQ(GetProfileInt(QStringLiteral("Port"), QStringLiteral("Timeout"), 500), 500);
    // The store lives where the user's settings belong, under our names.
    EXPECT_TRUE(SettingsFilePath().startsWith(store.Dir()));
    EXPECT_TRUE(SettingsFilePath().contains(QStringLiteral("Brakk Applikationen/Kavex_Velmora")));
}

TEST_F(SettingsTest, DeletingASectionRemovesAllOfIt)
{
    WriteProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyName1"), QStringLiteral("a"));
    WriteProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyValue1"), QStringLiteral("00"));
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 1);
    WriteProfileString(QStringLiteral("KeyStore"), QString(), QString());
    EXPECT_EQ(GetProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyName1"), QStringLiteral("-")),
              QStringLiteral("-"));
    EXPECT_EQ(GetProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyValue1"), QStringLiteral("-")),
              QStringLiteral("-"));
    EXPECT_EQ(GetProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 0), 1);
}

TEST_F(SettingsTest, UnreadableFileGivesDefaults)
{
    const QString path = SettingsFilePath();
    QDir().mkpath(QFileInfo(path).path());
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\xff\xfe[[[Port\n=\n\x01\x02 Baudrate=\xfe\n"));
    }
    EXPECT_EQ(GetProfileInt(QStringLiteral("Port"), QStringLiteral("Baudrate"), 19200), 19200);
    QFile::remove(path);
    QDir().mkpath(path); // a directory where the file should be
    EXPECT_EQ(GetProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 0), 0);
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 1); // must not throw or crash
}

int Mode(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// The file holds the key store: nobody but its owner may read it, however
// it came to be and however often it is rewritten.
TEST_F(SettingsTest, OnlyItsOwnerCanReadTheFile)
{
    const mode_t old = ::umask(0022);
    const QString path = SettingsFilePath();
    ASSERT_FALSE(QFile::exists(path));
    WriteProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyValue1"), QStringLiteral("00112233"));
    EXPECT_EQ(Mode(path), 0600);
    EXPECT_EQ(Mode(QFileInfo(path).path()), 0700); // the directory we made

    WriteProfileInt(QStringLiteral("ListCtrl1"), QStringLiteral("Breite0"), 120);
    DeleteProfileSection(QStringLiteral("ListCtrl1"));
    ReplaceProfileSection(QStringLiteral("KeyStore"), {{QStringLiteral("KeyName1"), QStringLiteral("a")}});
    EXPECT_EQ(Mode(path), 0600);

    // A file that someone opened up is closed again by the next rewrite.
    ::chmod(QFile::encodeName(path).constData(), 0644);
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 0);
    EXPECT_EQ(Mode(path), 0600);
    EXPECT_EQ(GetProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyName1"), QString()), QStringLiteral("a"));
    ::umask(old);
}

TEST_F(SettingsTest, ExistingDirectoriesAreLeftAsTheyAre)
{
    const QString dir = QFileInfo(SettingsFilePath()).path();
    ASSERT_TRUE(QDir().mkpath(dir));
    ::chmod(QFile::encodeName(dir).constData(), 0755);
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 1);
    EXPECT_EQ(Mode(dir), 0755);
    EXPECT_EQ(Mode(SettingsFilePath()), 0600);
}

TEST_F(SettingsTest, ReplacingASectionKeepsTheOthers)
{
    WriteProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyName9"), QStringLiteral("alt"));
    WriteProfileInt(QStringLiteral("ListCtrl1"), QStringLiteral("Breite1"), 80);
    ReplaceProfileSection(QStringLiteral("KeyStore"), {{QStringLiteral("KeyName1"), QStringLiteral("neu, mit Komma")},
                                                       {QStringLiteral("KeyValue1"), QStringLiteral("@00")}});
    EXPECT_EQ(GetProfileSection(QStringLiteral("KeyStore")),
              (std::vector<std::pair<QString, QString>>{{QStringLiteral("KeyName1"), QStringLiteral("neu, mit Komma")},
                                                        {QStringLiteral("KeyValue1"), QStringLiteral("@00")}}));
    EXPECT_EQ(GetProfileInt(QStringLiteral("ListCtrl1"), QStringLiteral("Breite1"), 100), 80);
}

} // namespace
} // namespace velmora

namespace velmora {
namespace {

// Rewritten, a file QSettings cannot parse would lose what it could not
// read: the stored keys, here. A copy is kept first, and told once.
TEST_F(SettingsTest, AFileThatCannotBeParsedIsCopiedBeforeItIsRewritten)
{
    const QString path = SettingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray broken = "[KeyStore\nKeyName1=Tor\nKeyValue1=00112233445566778899AABBCCDDEEFF\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(broken);
    }
    QStringList told;
    SetBrokenSettingsNotifier([&](const QString& copy) { told << copy; });
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 1);
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 0);
    SetBrokenSettingsNotifier(nullptr);

    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(QFileInfo(told[0]).fileName().contains(
        QRegularExpression(QStringLiteral("^Kavex_Velmora\\.ini\\.broken-\\d{8}-\\d{6}$"))))
        << told[0].toStdString();
    QFile copy(told[0]);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), broken);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(told[0]).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(GetProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), -1), 0);
}

} // namespace
} // namespace velmora
