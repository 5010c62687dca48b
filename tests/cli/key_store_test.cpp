// kavex and the program's key store: the INI reader against files that
// QSettings wrote and read, the key store entries as the program sees them,
// and --key-name / --new-name / --old-name against the simulated card.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

#include "cli/ini_file.h"
#include "app/settings/key_store.h" // the program's
#include "cli/key_store_file.h"     // the tool's
#include "app/settings/settings.h"
#include "sim/desfire/desfire_card.h"
#include "sim/pty_reader.h"

namespace {

using kavex::cli::IniFile;

// What the program makes of a value: its text, lists joined.
std::optional<std::string> ProgramText(const QVariant& v)
{
    if (!v.isValid()) return std::nullopt;
    if (v.typeId() == QMetaType::QStringList || v.typeId() == QMetaType::QVariantList)
        return v.toStringList().join(QLatin1String(", ")).toStdString();
    if (!v.canConvert<QString>()) return std::nullopt;
    return v.toString().toStdString();
}

// Every key QSettings finds in the file, with its text.
std::map<std::string, std::string> AsQSettingsReadsIt(const QString& path)
{
    QSettings s(path, QSettings::IniFormat);
    std::map<std::string, std::string> out;
    for (const QString& key : s.allKeys())
        if (auto text = ProgramText(s.value(key))) out[key.toStdString()] = *text;
    return out;
}

class IniReaderTest : public ::testing::Test {
protected:
    QString NewPath() { return dir.filePath(QStringLiteral("f%1.ini").arg(counter++)); }
    QString WriteRaw(const QByteArray& text)
    {
        const QString path = NewPath();
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }
    static IniFile Read(const QString& path)
    {
        std::string error;
        auto ini = IniFile::Load(QFile::encodeName(path).toStdString(), error);
        EXPECT_TRUE(ini) << error;
        return ini ? *ini : IniFile::Parse("");
    }

    QTemporaryDir dir;
    int counter = 0;
};

TEST_F(IniReaderTest, ReadsWhatQSettingsWrites)
{
    const QString path = NewPath();
    {
        QSettings s(path, QSettings::IniFormat);
        const QStringList values = {
            QStringLiteral("00112233445566778899AABBCCDDEEFF"),
            QStringLiteral("\"quoted\" and \\back\\slashes\\"),
            QStringLiteral("a, b; c = d"),
            QStringLiteral("  leading and trailing  "),
            QStringLiteral("tab\there\nnew line\r\x01"
                           "0after control"),
            QStringLiteral("Schlüssel für die Tür ✓ 🔑"),
            QStringLiteral("@at the start"),
            QStringLiteral("@@two"),
            QStringLiteral("@ByteArray(looks typed)"),
            QString(),
            QStringLiteral(" "),
            QStringLiteral("# not a comment ; nor this"),
            QStringLiteral("[not a section]"),
        };
        for (int i = 0; i < values.size(); ++i) s.setValue(QStringLiteral("KeyStore/KeyValue%1").arg(i + 1), values[i]);
        // Names that need escaping, in sections that do too.
        s.setValue(QStringLiteral("KeyStore/Key Name ü%=;"), QStringLiteral("x"));
        s.setValue(QStringLiteral("Key Störe/KeyName1"), QStringLiteral("elsewhere"));
        s.setValue(QStringLiteral("General/KeyName1"), QStringLiteral("a group named General"));
        s.setValue(QStringLiteral("TopLevel"), QStringLiteral("in [General]"));
        s.setValue(QStringLiteral("KeyStore/deeper/KeyName1"), QStringLiteral("not in the section itself"));
        s.setValue(QStringLiteral("KeyStore/Bytes"), QByteArray("\x30\x31\xC3\xBC\x7F\x01", 6));
        s.setValue(QStringLiteral("KeyStore/List"), QStringList{QStringLiteral("a"), QStringLiteral(" b "), QString()});
        s.setValue(QStringLiteral("KeyStore/Number"), 42);
        s.sync();
        ASSERT_EQ(s.status(), QSettings::NoError);
    }
    const IniFile ini = Read(path);
    const auto expected = AsQSettingsReadsIt(path);
    EXPECT_EQ(ini.Values(), expected);
    EXPECT_EQ(ini.Value("KeyStore/KeyValue2"), "\"quoted\" and \\back\\slashes\\");
    EXPECT_EQ(ini.Value("KeyStore/KeyValue6"), "Schlüssel für die Tür ✓ 🔑");
    EXPECT_EQ(ini.Value("KeyStore/Key Name ü%=;"), "x");
    EXPECT_EQ(ini.Value("Key Störe/KeyName1"), "elsewhere");
    EXPECT_EQ(ini.Value("General/KeyName1"), "a group named General");
    EXPECT_EQ(ini.Value("TopLevel"), "in [General]");
    EXPECT_EQ(ini.Value("KeyStore/List"), "a,  b , ");

    std::vector<std::string> names;
    for (const auto& [key, value] : ini.Section("KeyStore")) names.push_back(key);
    EXPECT_EQ(names.size(), 17u); // 13 values, the odd name, bytes, list, number; not "deeper/..."
}

TEST_F(IniReaderTest, HandWrittenFilesReadAsQSettingsReadsThem)
{
    const char* files[] = {
        "[KeyStore]\nKeyName1 = spaced around   \nKeyValue1=\"  kept  \"  \n",
        "\xEF\xBB\xBF[KeyStore]\r\nKeyName1=crlf\r\nKeyValue1=01\r\n",
        "; comment\n[KeyStore] ; after the section\nKeyName1=a;b\nKeyValue1=\"a;b\"\n#KeyName2=hash\n",
        "[KeyStore]\nKeyName1=first\n[Other]\nx=1\n[KeyStore]\nKeyName1=second\nKeyName2\n=nothing\n",
        "[KeyStore]\nKeyName1=continued \\\n  line\nKeyName2=\"quote\nspanning\"\n",
        "[KeyStore]\nKeyName1=\\x41\\x4a\\101\\?\\q\\'\nKeyName2=\\x\nKeyName3=trailing backslash  \\",
        "[KeyStore]\nKeyName1=@String(typed text)\nKeyName2=@Invalid()\nKeyName3=@Rect(1 2 3 4)\nKeyName4=@@x\n",
        "[KeyStore]\nKeyName1=\"a, b\", c ,\"d\" \nKeyName2=@ByteArray(\\xc3\\xbc)\nKeyName3=x,@@y,@Rect(1 2 3 4)\n",
        "[general]\ng=1\n[%General]\nh=2\n[Key%20Store\\sub]\nKeyName1=%-escaped\n[%U00FCber]\nk=v\n",
        "[KeyStore\nKeyName1=no closing bracket\n[]\nempty=section\nnoequals\n",
        "[KeyStore]\nKey%Name%2=broken escapes\nKey%UD83D%UDD11=surrogates\n\xff\xfe=bad utf8 \xc3\n",
        "[KeyStore]\n\\lead=1\na\\\\b=2\ntrail\\=3\nv=\xc3\\t\xbc \xe2\x9c\n[a\\]\nk=v\n[\\a]\nk=w\n",
        "x=top\n[KeyStore]\n  indented = yes\t\nquoted\"key\"=1\n\"a=b\"=2\nk=\"open quote\n",
    };
    for (const char* text : files) {
        const QString path = WriteRaw(QByteArray(text));
        EXPECT_EQ(Read(path).Values(), AsQSettingsReadsIt(path)) << text;
    }
}

TEST(IniReader, MissingFile)
{
    std::string error;
    EXPECT_FALSE(IniFile::Load("/nonexistent/velmora.ini", error));
    EXPECT_NE(error.find("/nonexistent/velmora.ini"), std::string::npos);
}

// The program's key store and the tool's view of it, written by the program.
class KeyStoreFileTest : public ::testing::Test {
protected:
    KeyStoreFileTest()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        setenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()).constData(), 1);
    }
    static std::vector<kavex::cli::KeyStoreEntry> ToolEntries()
    {
        std::string error;
        auto ini = IniFile::Load(kavex::cli::SettingsFilePath(), error);
        EXPECT_TRUE(ini) << error;
        return ini ? kavex::cli::ReadKeyStore(*ini) : std::vector<kavex::cli::KeyStoreEntry>{};
    }
    QTemporaryDir dir;
};

TEST_F(KeyStoreFileTest, SameEntriesAsTheProgram)
{
    EXPECT_EQ(QString::fromStdString(kavex::cli::SettingsFilePath()), velmora::SettingsFilePath());
    velmora::CKeyStoreItemList list;
    list.Append(QStringLiteral("Tür \"vorn\", links"), QStringLiteral("00112233445566778899AABBCCDDEEFF"));
    list.Append(QStringLiteral("tür  "), QStringLiteral("01"));
    list.Append(QString(), QStringLiteral("@komisch; aber gespeichert"));
    list.SaveKeyStore();
    // A gap, an empty value and a spelling that is no entry number.
    velmora::WriteProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyName7"), QStringLiteral("sieben"));
    velmora::WriteProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyValue7"), QStringLiteral("07"));
    velmora::WriteProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyName5"), QStringLiteral("leer"));
    velmora::WriteProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyValue08"), QStringLiteral("08"));

    velmora::CKeyStoreItemList program;
    program.LoadKeyStore();
    const auto tool = ToolEntries();
    ASSERT_EQ(tool.size(), static_cast<size_t>(program.Count()));
    for (int i = 0; i < program.Count(); ++i) {
        EXPECT_EQ(QString::fromStdString(tool[i].name), program.At(i).m_strName) << i;
        EXPECT_EQ(QString::fromStdString(tool[i].value), program.At(i).m_strValue) << i;
    }
    EXPECT_EQ(tool.back().name, "sieben");

    // Names: trailing spaces do not count, case does.
    EXPECT_EQ(kavex::cli::FindKeyByName(tool, "tür")->value, "01");
    EXPECT_EQ(kavex::cli::FindKeyByName(tool, "Tür \"vorn\", links\t")->value, "00112233445566778899AABBCCDDEEFF");
    EXPECT_EQ(kavex::cli::FindKeyByName(tool, "TÜR"), nullptr);
}

TEST_F(KeyStoreFileTest, KeyBytesOnlyWhereTheProgramReadsThemAlike)
{
    using kavex::cli::StoredKeyBytes;
    EXPECT_EQ(StoredKeyBytes("00112233445566778899aabbccddeeff")->size(), 16u);
    EXPECT_EQ(StoredKeyBytes("0a"), (std::vector<uint8_t>{0x0A}));
    EXPECT_EQ(StoredKeyBytes(" 0 1 a2  "), (std::vector<uint8_t>{0x00, 0x01, 0xA2}));
    EXPECT_EQ(StoredKeyBytes(""), std::vector<uint8_t>{});
    EXPECT_FALSE(StoredKeyBytes("123"));       // the program would make 12 03
    EXPECT_FALSE(StoredKeyBytes("0011 2233")); // the program would make 00 00
    EXPECT_FALSE(StoredKeyBytes("0x11"));
    EXPECT_FALSE(StoredKeyBytes("00:11"));
    EXPECT_FALSE(StoredKeyBytes(std::string(34, 'A'))); // more than 16 bytes
    EXPECT_FALSE(StoredKeyBytes("1 2 3 4 5 6 7 8 9 a b c d e f 10 11"));

    velmora::CKeyStoreItemList list;
    list.Append(QStringLiteral("gut"), QStringLiteral("0102"));
    list.Append(QStringLiteral("schlecht"), QStringLiteral("xyz"));
    list.SaveKeyStore();
    std::string error;
    auto key = kavex::cli::KeyFromStore("gut", error);
    ASSERT_TRUE(key) << error;
    EXPECT_EQ(key->size(), 16u);
    EXPECT_EQ((*key)[1], 0x02);
    EXPECT_FALSE(kavex::cli::KeyFromStore("schlecht", error));
    EXPECT_NE(error.find("schlecht"), std::string::npos);
    EXPECT_FALSE(kavex::cli::KeyFromStore("fehlt", error));
    EXPECT_NE(error.find("no key named"), std::string::npos);
}

// Qt finds the file from the environment the first time it is asked; a
// fresh process of this test asks with a chosen environment.
TEST(SettingsPathTest, QtAndTheToolLookInTheSamePlace)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto check = [](const char* xdg, const char* home) {
        if (xdg)
            setenv("XDG_CONFIG_HOME", xdg, 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        setenv("HOME", home, 1);
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Brakk Applikationen"),
                    QStringLiteral("Kavex_Velmora"));
        const std::string qt = QDir::cleanPath(s.fileName()).toStdString();
        const std::string tool = QDir::cleanPath(QString::fromStdString(kavex::cli::SettingsFilePath())).toStdString();
        std::exit(qt == tool ? 0 : (std::fprintf(stderr, "%s != %s\n", qt.c_str(), tool.c_str()), 1));
    };
    EXPECT_EXIT(check("/tmp/velmora-xdg", "/tmp/velmora-home"), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(check(nullptr, "/tmp/velmora-home"), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(check("", "/tmp/velmora-home"), ::testing::ExitedWithCode(0), "");
}

struct Outcome {
    int exitCode;
    std::string out;
};

class KeyNameAgainstTheCard : public KeyStoreFileTest {
protected:
    KeyNameAgainstTheCard()
        : card(std::make_shared<kavex::sim::desfire::DesfireCard>()), pty(kavex::sim::ReaderConfig{}, card),
          link("/tmp/kavex-keyname-test-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name())
    {
        pty.Start(link);
    }
    Outcome Kavex(const std::string& args)
    {
        const std::string cmd = "XDG_CONFIG_HOME='" + dir.path().toStdString() + "' " + KAVEX_CLI_PROGRAM + " --port " +
                                link + " " + args + " 2>&1";
        Outcome r{-1, {}};
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) return r;
        std::array<char, 512> buf{};
        while (fgets(buf.data(), buf.size(), p)) r.out += buf.data();
        const int status = pclose(p);
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }
    void StoreKeys(const QStringList& namesAndValues)
    {
        velmora::CKeyStoreItemList list;
        for (int i = 0; i + 1 < namesAndValues.size(); i += 2) list.Append(namesAndValues[i], namesAndValues[i + 1]);
        list.SaveKeyStore();
    }
    kavex::sim::desfire::KeySet& MasterKeys() { return card->State().masterKeys; }

    std::shared_ptr<kavex::sim::desfire::DesfireCard> card;
    kavex::sim::PtyReader pty;
    std::string link;
};

TEST_F(KeyNameAgainstTheCard, AuthenticatesWithAStoredKey)
{
    StoreKeys({QStringLiteral("Werk"), QString(32, QLatin1Char('0')), QStringLiteral("Falsch"), QStringLiteral("11"),
               QStringLiteral("Kaputt"), QStringLiteral("0011 2233")});
    Outcome r = Kavex("activate auth --key-name 'Werk  ' uid");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("04112233445566"), std::string::npos) << r.out;

    r = Kavex("activate auth --key-name Falsch");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("authentication failed"), std::string::npos) << r.out;

    r = Kavex("activate auth --key-name werk");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("no key named \"werk\""), std::string::npos) << r.out;

    r = Kavex("activate auth --key-name Kaputt");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("holds no key"), std::string::npos) << r.out;

    r = Kavex("activate auth --key 00 --key-name Werk");
    EXPECT_NE(r.exitCode, 0) << r.out;
    r = Kavex("activate auth");
    EXPECT_NE(r.exitCode, 0) << r.out;
}

TEST_F(KeyNameAgainstTheCard, ChangesKeysByName)
{
    StoreKeys({QStringLiteral("Werk"), QString(32, QLatin1Char('0')), QStringLiteral("Geheim"),
               QStringLiteral("00112233445566778899AABBCCDDEEFF"), QStringLiteral("App 1 alt"), QStringLiteral("01"),
               QStringLiteral("App 1 neu"), QStringLiteral("A1A1")});
    Outcome r = Kavex("activate auth --key-name Werk changekey --new-name Geheim");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const std::array<uint8_t, 8> head{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), MasterKeys().keys.at(0).value.begin()));
    r = Kavex("activate auth --key-name Werk");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    r = Kavex("activate auth --key-name Geheim create-app --aid 0A0B0C --crypto des --keys 2");
    ASSERT_EQ(r.exitCode, 0) << r.out;

    // Key 1 of the application: the master key authenticates, the old key
    // of key 1 comes by name as well.
    auto& app = card->State().applications.at(0x0A0B0C);
    app.keys.keys.at(1).value.fill(0);
    app.keys.keys.at(1).value[0] = 0x01;
    r = Kavex(
        "activate select --aid 0A0B0C auth --key 00 changekey -n 1 --old-name 'App 1 alt' --new-name 'App 1 neu'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    r = Kavex("activate select --aid 0A0B0C auth -n 1 --key-name 'App 1 neu'");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    r = Kavex("activate changekey --new 00 --new-name Werk");
    EXPECT_NE(r.exitCode, 0) << r.out;
}

} // namespace
