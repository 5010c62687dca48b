// kavex and the program's key store: --key-name / --new-name / --old-name
// against the simulated card, with keys the program's own code stored.
#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>

#include <array>
#include <cstdio>
#include <sys/wait.h>

#include "app/settings/key_store.h"
#include "app/settings/settings.h"
#include "cli/stored_key.h"
#include "tests/app/isolated_settings.h"
#include "tests/support/sim_reader.h"

namespace {

TEST(StoredKeyBytesTest, OnlyWhereTheProgramReadsThemAlike)
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
}

struct Outcome {
    int exitCode;
    std::string out;
};

class KeyNameAgainstTheCard : public ::testing::Test {
protected:
    // Without a display: the tool must not need one to read the settings.
    Outcome Kavex(const std::string& args)
    {
        const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME='" +
                                settings.Dir().toStdString() + "' " + KAVEX_CLI_PROGRAM + " --port " + reader.link +
                                " " + args + " 2>&1";
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
    kavex::sim::desfire::KeySet& MasterKeys() { return reader.State().masterKeys; }

    velmora::test::IsolatedSettings settings;
    kavex::test::SimReader reader{{}, kavex::sim::desfire::DesfireCardOptions{}};
};

TEST_F(KeyNameAgainstTheCard, AuthenticatesWithAStoredKey)
{
    StoreKeys({QStringLiteral("Falsch"), QStringLiteral("11"), QStringLiteral("Tür \"vorn\", links"),
               QString(32, QLatin1Char('0')), QStringLiteral("Kaputt"), QStringLiteral("0011 2233")});
    Outcome r = Kavex("activate auth --key-name 'Tür \"vorn\", links  ' uid");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("04112233445566"), std::string::npos) << r.out;

    r = Kavex("activate auth --key-name Falsch");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("authentication failed"), std::string::npos) << r.out;

    r = Kavex("activate auth --key-name 'tür \"vorn\", links'");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("no key named \"tür"), std::string::npos) << r.out;

    r = Kavex("activate auth --key-name Kaputt");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("holds no key"), std::string::npos) << r.out;

    r = Kavex("activate auth --key 00 --key-name Falsch");
    EXPECT_NE(r.exitCode, 0) << r.out;
    r = Kavex("activate auth");
    EXPECT_NE(r.exitCode, 0) << r.out;
}

// The program reads a missing or unreadable file as empty; a script is told why.
TEST_F(KeyNameAgainstTheCard, SaysWhyThereIsNoKeyStore)
{
    const QString path = velmora::SettingsFilePath();
    Outcome r = Kavex("activate auth --key-name Werk");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("no key store: " + path.toStdString() + " does not exist"), std::string::npos) << r.out;

    ASSERT_TRUE(QDir().mkpath(path)); // unreadable as a file, even for root
    r = Kavex("activate auth --key-name Werk");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("no key store: cannot read " + path.toStdString()), std::string::npos) << r.out;
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
    auto& app = reader.State().applications.at(0x0A0B0C);
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
