// The card file: a card's memory kept across runs, written so that no
// crash leaves a broken file, and refused when it is not a card file.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/sim/desfire/card_fixture.h"
#include "tests/sim/desfire/file_host.h"
#include "sim/desfire/card_file.h"

namespace desfire_test {
namespace {

using kavex::sim::desfire::CardFileText;
using kavex::sim::desfire::LoadCardFile;
using kavex::sim::desfire::SetSaveHookForTesting;
using reference::Cat;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

class CardFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = ::testing::TempDir() + "kavex-card-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        path_ = dir_ + "/card.json";
    }
    void TearDown() override
    {
        SetSaveHookForTesting(nullptr);
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }
    std::unique_ptr<DesfireCard> Load()
    {
        std::string error;
        auto card = LoadCardFile(path_, &error, SeededOptions());
        EXPECT_NE(card, nullptr) << error;
        return card;
    }
    std::vector<std::string> DirEntries() const
    {
        std::vector<std::string> names;
        DIR* d = opendir(dir_.c_str());
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
        return names;
    }
    static Bytes CreateApp(DesfireCard& card, uint32_t aid, uint8_t keyByte = 0x81)
    {
        return card.Transceive({0xCA, uint8_t(aid), uint8_t(aid >> 8), uint8_t(aid >> 16), 0x0F, keyByte});
    }

    std::string dir_;
    std::string path_;
};

TEST_F(CardFileTest, MissingFileIsAFactoryCardWrittenOnItsFirstChange)
{
    auto card = Load();
    ASSERT_TRUE(card);
    EXPECT_EQ(card->Transceive({0x60})[0], 0xAF);
    card->Transceive({0xAF});
    card->Transceive({0xAF});
    EXPECT_EQ(card->Transceive({0x6A}), Bytes{0x00});
    EXPECT_FALSE(Exists(path_));
    EXPECT_EQ(CreateApp(*card, 0x000001), Bytes{0x00});
    ASSERT_TRUE(Exists(path_));
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"card.json"});

    // Commands that change nothing leave the file as it is.
    struct stat before, after;
    ASSERT_EQ(stat(path_.c_str(), &before), 0);
    card->Transceive({0x5A, 0x01, 0x00, 0x00});
    card->Transceive({0x45});
    card->Transceive({0x6F});
    ASSERT_EQ(stat(path_.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);

    auto again = Load();
    EXPECT_EQ(again->Transceive({0x6A}), (Bytes{0x00, 0x01, 0x00, 0x00}));
}

TEST_F(CardFileTest, EverythingCommittedSurvivesAReload)
{
    auto card = Load();
    ASSERT_TRUE(card);
    DesfireCard& c = *card;
    auto auth = [&c](uint8_t cmd, uint8_t keyNo, Algo algo, const Bytes& key) {
        auto r = reference::Authenticate(c, cmd, keyNo, algo, key, Bytes(algo == Algo::Tdes ? 8 : 16, 0x5A));
        EXPECT_EQ(r.status, 0x00);
        return r.session;
    };

    // Card level: a new default key, then the card master key made AES.
    HostSession s = auth(0x1A, 0, Algo::Tdes, kZeroKey);
    Bytes defaultKey = kAesKey;
    defaultKey.resize(24, 0);
    ASSERT_TRUE(s.AnswerMacOk(c.Transceive(s.Enciphered({0x5C, 0x01}, Cat(defaultKey, {0x03})))));
    ASSERT_EQ(c.Transceive(ChangeKeyCmd(s, 0x80, k2K3DesKey, std::nullopt)), Bytes{0x00});

    // Applications of each crypto method; one with ISO file ID and DF name.
    ASSERT_EQ(c.Transceive({0xCA, 0x01, 0, 0, 0x0F, 0x02}), Bytes{0x00});
    ASSERT_EQ(c.Transceive({0xCA, 0x02, 0, 0, 0xEF, 0x43}), Bytes{0x00});
    ASSERT_EQ(c.Transceive({0xCA, 0x03, 0, 0, 0x0B, 0xA3, 0x10, 0xE1, 'D', 'F', '1'}), Bytes{0x00});

    ASSERT_EQ(c.Transceive({0x5A, 0x03, 0, 0}), Bytes{0x00});
    s = auth(0xAA, 0, Algo::Aes, kAesKey); // the new default key
    const Bytes newKey(16, 0x77);
    ASSERT_TRUE(s.AnswerMacOk(c.Transceive(ChangeKeyCmd(s, 0x02, newKey, uint8_t{0x21}, kAesKey))));
    auto maced = [&c](HostSession& h, const Bytes& cmd) {
        h.Command(cmd);
        const Bytes a = c.Transceive(cmd);
        EXPECT_TRUE(a.size() == 1 || h.AnswerMacOk(a));
        return a[0];
    };
    ASSERT_EQ(maced(s, CreateDataFileCmd(0xCD, 1, 0x03, 0x0EEE, 70, 0x0101)), 0x00);
    ASSERT_EQ(maced(s, CreateDataFileCmd(0xCB, 2, 0x01, 0x0000, 10)), 0x00);
    ASSERT_EQ(maced(s, CreateValueFileCmd(3, 0x00, 0x0000, -20, 20, 5, 0x03)), 0x00);
    ASSERT_EQ(maced(s, CreateRecordFileCmd(0xC1, 4, 0x00, 0x0000, 3, 2, 0x0104)), 0x00);
    ASSERT_EQ(maced(s, CreateRecordFileCmd(0xC0, 5, 0x00, 0x0000, 2, 3)), 0x00);
    const Bytes data = Cat(Bytes(35, 0x12), Bytes(35, 0x34));
    ASSERT_EQ(SendData(c, &s, TransferHeader(0x3D, 1, 0, 70), data, Mode::Plain).status, 0x00); // free
    ASSERT_EQ(SendData(c, &s, TransferHeader(0x3D, 2, 0, 3), {7, 8, 9}, Mode::Mac).status, 0x00);
    ASSERT_EQ(SendData(c, &s, {0xDC, 3}, reference::Le32(4), Mode::Plain).status, 0x00);
    ASSERT_EQ(SendData(c, &s, TransferHeader(0x3B, 4, 0, 3), {1, 2, 3}, Mode::Plain).status, 0x00);
    for (uint8_t i = 1; i <= 3; ++i) {
        ASSERT_EQ(SendData(c, &s, TransferHeader(0x3B, 5, 0, 2), {i, i}, Mode::Plain).status, 0x00);
        ASSERT_EQ(maced(s, {0xC7}), 0x00);
    }
    // Written but never committed: not part of the card file.
    ASSERT_EQ(SendData(c, &s, TransferHeader(0x3D, 2, 0, 3), {6, 6, 6}, Mode::Mac).status, 0x00);

    auto reloaded = Load();
    ASSERT_TRUE(reloaded);
    DesfireCard& r = *reloaded;
    EXPECT_EQ(CardFileText(r.State()), CardFileText(c.State()));
    const Bytes freeNow = r.Transceive({0x6E});
    ASSERT_EQ(freeNow.size(), 4u);
    EXPECT_EQ(uint32_t(freeNow[1] | freeNow[2] << 8 | freeNow[3] << 16), c.State().memory.Free());
    EXPECT_EQ(r.Transceive({0x6A}), (Bytes{0x00, 1, 0, 0, 2, 0, 0, 3, 0, 0}));
    EXPECT_EQ(r.Transceive({0x45}), (Bytes{0x00, 0x0F, 0x81}));
    auto rAuth = [&r](uint8_t cmd, uint8_t keyNo, Algo algo, const Bytes& key) {
        auto res = reference::Authenticate(r, cmd, keyNo, algo, key, Bytes(algo == Algo::Tdes ? 8 : 16, 0x33));
        EXPECT_EQ(res.status, 0x00);
        EXPECT_TRUE(res.cardProvedKey);
        return res.session;
    };
    rAuth(0xAA, 0, Algo::Aes, k2K3DesKey);
    ASSERT_EQ(r.Transceive({0x5A, 0x02, 0, 0}), Bytes{0x00});
    rAuth(0x1A, 1, Algo::Tdes3K, defaultKey); // all 24 bytes of the default key
    ASSERT_EQ(r.Transceive({0x5A, 0x03, 0, 0}), Bytes{0x00});
    EXPECT_EQ(r.Transceive({0x64, 0x02}), (Bytes{0x00, 0x21}));
    EXPECT_EQ(r.Transceive({0x64, 0x01}), (Bytes{0x00, 0x03}));
    // Key 2 does not grant reading file 1, whose read&write right is free: plain.
    HostSession rs = rAuth(0xAA, 2, Algo::Aes, newKey);
    EXPECT_EQ(Receive(r, &rs, TransferHeader(0xBD, 1, 0, 0), Mode::Plain, std::nullopt).data, data);
    rs = rAuth(0xAA, 0, Algo::Aes, kAesKey);
    Outcome o = Receive(r, &rs, TransferHeader(0xBD, 1, 0, 0), Mode::Enciphered, std::nullopt);
    EXPECT_EQ(o.data, data);
    EXPECT_EQ(Receive(r, &rs, TransferHeader(0xBD, 2, 0, 4), Mode::Mac, 4).data, (Bytes{7, 8, 9, 0}));
    EXPECT_EQ(Receive(r, &rs, {0x6C, 3}, Mode::Plain, 4).data, (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(Receive(r, &rs, TransferHeader(0xBB, 5, 0, 0), Mode::Plain, std::nullopt).data, (Bytes{2, 2, 3, 3}));
    const auto& files = r.State().applications.at(3).files;
    EXPECT_EQ(files.at(3).limitedCreditValue, 4);
    EXPECT_TRUE(files.at(3).freeGetValue);
    EXPECT_EQ(files.at(4).isoFileId, uint16_t{0x0104});
    EXPECT_EQ(r.State().applications.at(3).dfName, (Bytes{'D', 'F', '1'}));
}

TEST_F(CardFileTest, CrashBeforeTheRenameLeavesTheOldFile)
{
    auto card = Load();
    ASSERT_EQ(CreateApp(*card, 0x000001), Bytes{0x00});
    const std::string before = ReadFile(path_);

    EXPECT_EXIT(
        {
            SetSaveHookForTesting([](const std::string&) -> bool { _exit(3); });
            CreateApp(*card, 0x000002);
        },
        ::testing::ExitedWithCode(3), "");

    EXPECT_EQ(ReadFile(path_), before);
    // The dead process left its temporary file; loading ignores it.
    EXPECT_EQ(DirEntries().size(), 2u);
    auto reloaded = Load();
    EXPECT_EQ(reloaded->Transceive({0x6A}), (Bytes{0x00, 0x01, 0x00, 0x00}));
}

TEST_F(CardFileTest, FailedSaveUndoesTheChangeAndTellsTheHost)
{
    auto card = Load();
    ASSERT_EQ(CreateApp(*card, 0x000001), Bytes{0x00});
    const std::string before = ReadFile(path_);
    SetSaveHookForTesting([](const std::string&) { return false; });
    EXPECT_EQ(CreateApp(*card, 0x000002), Bytes{0xEE});
    EXPECT_FALSE(card->CardFileError().empty());
    EXPECT_EQ(card->Transceive({0x6A}), (Bytes{0x00, 0x01, 0x00, 0x00}));
    EXPECT_EQ(ReadFile(path_), before);
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"card.json"});

    SetSaveHookForTesting(nullptr);
    EXPECT_EQ(CreateApp(*card, 0x000002), Bytes{0x00});
    EXPECT_TRUE(card->CardFileError().empty());
    EXPECT_NE(ReadFile(path_), before);
}

TEST_F(CardFileTest, BrokenCardFilesAreRefusedAndLeftAlone)
{
    auto card = Load();
    ASSERT_EQ(card->Transceive({0xCA, 0x01, 0, 0, 0x0F, 0x21, 0x10, 0xE1}), Bytes{0x00});
    ASSERT_EQ(card->Transceive({0x5A, 0x01, 0, 0}), Bytes{0x00});
    ASSERT_EQ(card->Transceive(CreateRecordFileCmd(0xC0, 1, 0, 0xEEEE, 2, 2)), Bytes{0x00});
    ASSERT_EQ(card->Transceive(TransferCmd(0x3B, 1, 0, 2, {1, 2})), Bytes{0x00});
    ASSERT_EQ(card->Transceive({0xC7}), Bytes{0x00});
    const std::string good = ReadFile(path_);

    auto replace = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"", "not valid JSON"},
        {good.substr(0, good.size() / 2), "not valid JSON"},
        {"[]", "must be an object"},
        {replace("kavex-desfire-card", "something-else"), "not a card file"},
        {replace("\"version\": 1", "\"version\": 2"), "version"},
        {replace("\"value\": \"00000000000000000000000000000000\"", "\"value\": \"0000\""), "keys[0].value"},
        {replace("\"cryptoMethod\": \"DES\"", "\"cryptoMethod\": \"RC4\""), "cryptoMethod"},
        {replace("\"records\": [\n            \"0102\"", "\"records\": [\n            \"0102\", \"0304\""),
         "applications[0].files[0].records"},
        {replace("\"type\": \"cyclicRecord\"", "\"type\": \"tape\""), "unknown file type"},
        {replace("\"usedMemory\": ", "\"usedMemory\": 1"), "usedMemory"},
        {replace("\"isoFileIds\": true", "\"isoFileIds\": false"), "isoFileId"},
        {replace("\"uid\": \"04112233445566\"", "\"uid\": \"0411223344556G\""), "production.uid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        WriteFile(path_, c.text);
        std::string error;
        EXPECT_EQ(LoadCardFile(path_, &error), nullptr);
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_NE(error.find(path_), std::string::npos) << error;
        EXPECT_EQ(ReadFile(path_), c.text);
    }
    WriteFile(path_, good);
    EXPECT_TRUE(Load());

    std::string error;
    EXPECT_EQ(LoadCardFile(dir_, &error), nullptr);
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
    EXPECT_EQ(LoadCardFile(dir_ + "/no/such/dir/card.json", &error), nullptr);
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
}

} // namespace
} // namespace desfire_test
