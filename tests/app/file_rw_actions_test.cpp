// Reading and writing file contents on the simulated card through the file
// read/write sequences, without a window: the communication mode each
// operation chooses, the commits, the attempt loop and the settings cache,
// each checked afterwards through the SDK or the commands the card saw.
#include "app/model/card_session.h"
#include "app/model/file_actions.h"
#include "app/model/file_rw_actions.h"
#include "app/model/file_rw_text.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"
#include "tests/app/fakes.h"
#include "tests/app/sim_card.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::FakeCardUi;
using test::FakeText;
namespace sd = kavex::sim::desfire;

const CCardStatus::Key kZeroKey{};
constexpr uint32_t kAid = 0xF1;

class FileRwActionsTest : public test::SimCardTest {
protected:
    void SetUp() override
    {
        test::SimCardTest::SetUp();
        status.m_pUi = &ui;
        sd::Application app;
        app.aid = kAid;
        app.keys = reader.State().NewApplicationKeys(sd::CryptoMethod::Tdes, 0x0F, 4);
        reader.State().applications[kAid] = app;
    }
    sd::DesfireFile& AddFile(uint8_t fileNo, sd::FileType type, uint8_t comm, uint16_t rights)
    {
        sd::DesfireFile f;
        f.type = type;
        f.commSettings = comm;
        f.accessRights = rights;
        if (f.IsDataFile()) {
            f.size = 32;
            f.data.assign(32, 0x11);
        } else if (f.IsRecordFile()) {
            f.recordSize = 4;
            f.maxRecords = 5;
        } else {
            f.lowerLimit = -100;
            f.upperLimit = 1000;
        }
        return reader.State().applications[kAid].files[fileNo] = f;
    }
    sd::DesfireFile& File(uint8_t fileNo) { return reader.State().applications[kAid].files[fileNo]; }
    size_t Sent(uint8_t command)
    {
        size_t n = 0;
        for (const auto& c : tamper->Commands()) n += !c.empty() && c[0] == command;
        return n;
    }
    // The next answer to command reports a card error.
    void FailNext(uint8_t command)
    {
        tamper->TamperNext([](kavex::test::Bytes& answer) { answer = {0x9D}; },
                           [command](const kavex::test::Bytes& c, const kavex::test::Bytes&) {
                               return !c.empty() && c[0] == command;
                           });
    }
    CFileRwFrame Frame(uint8_t fileNo)
    {
        CFileRwFrame frame(port, status, line);
        frame.SetTarget(kAid, fileNo);
        return frame;
    }

    CCardStatus status;
    FakeCardUi ui;
    FakeText line;
};

TEST(FileRwCommMode, EachOperationLooksAtTheRightsThatGrantIt)
{
    CCardStatus status;
    status.m_nCurrentAid = kAid;
    KnownFileSettings s;
    s.commSettings = 3;
    s.read = kAccessFree;
    s.write = 1;
    s.readWrite = 2;
    // Free read with a read/write key: plain until that key is in.
    EXPECT_EQ(CommModeFor(FileOp::Read, s, status, kAid), 0);
    status.m_nAuthMode = CCardStatus::kAuthISO;
    status.m_nAuthKeyNo = 1;
    EXPECT_EQ(CommModeFor(FileOp::Read, s, status, kAid), 0);
    // A write under the write key is enciphered, not sent in plain.
    EXPECT_EQ(CommModeFor(FileOp::Write, s, status, kAid), 3);
    EXPECT_EQ(CommModeFor(FileOp::Write, s, status, kAid + 1), 3);
    EXPECT_EQ(CommModeFor(FileOp::GetValue, s, status, kAid), 3);
    EXPECT_EQ(CommModeFor(FileOp::Credit, s, status, kAid), 3);
    status.m_nAuthKeyNo = 2;
    EXPECT_EQ(CommModeFor(FileOp::Read, s, status, kAid), 3);

    // Free write, read key 1: writes go plain, whatever the read rule says.
    status.ResetAuth();
    s.read = 1;
    s.write = kAccessFree;
    EXPECT_EQ(CommModeFor(FileOp::Write, s, status, kAid), 0);
    EXPECT_EQ(CommModeFor(FileOp::LimitedCredit, s, status, kAid), 0);
    EXPECT_EQ(CommModeFor(FileOp::Debit, s, status, kAid), 0);
    EXPECT_EQ(CommModeFor(FileOp::Credit, s, status, kAid), 3);
    EXPECT_EQ(CommModeFor(FileOp::Read, s, status, kAid), 3);
}

TEST_F(FileRwActionsTest, DataFilesInEachModeReachTheCard)
{
    const QByteArray bytes = QByteArray::fromHex("0102030405");
    for (const uint8_t comm : {0, 1, 3}) {
        SCOPED_TRACE(comm);
        // Free read, write key 1, read/write key 2: the write goes under key 1.
        AddFile(1, sd::FileType::StandardData, comm, AccessRightsWord(14, 1, 2, 0));
        // Read key 1, free write: written without any key.
        AddFile(2, sd::FileType::StandardData, comm, AccessRightsWord(1, 14, 2, 0));
        status.ResetAuth();
        status.m_KeyList.clear();
        status.RememberKey(kAid, 1, kZeroKey);

        CFileRwFrame f1 = Frame(1);
        ASSERT_TRUE(WriteFileData(f1, 3, bytes).ok) << qPrintable(line.Text());
        EXPECT_EQ(line.Text(), GetStatusText(port, true, &status));
        EXPECT_EQ(status.m_nAuthKeyNo, 1);
        CFileRwFrame f2 = Frame(2);
        ASSERT_TRUE(WriteFileData(f2, 30, QByteArray::fromHex("AABB")).ok) << qPrintable(line.Text());

        // Free read while authenticated with another key: plain.
        CFileRwFrame r1 = Frame(1);
        const FileRwResult read = ReadFileData(r1, 0, 0);
        ASSERT_TRUE(read.ok) << qPrintable(line.Text());
        EXPECT_EQ(read.bytes.size(), 32);
        EXPECT_EQ(read.bytes.mid(3, 5), bytes);

        ASSERT_EQ(Kavex_DFSelectApplication(port, kAid), 0);
        unsigned char out[32] = {};
        ASSERT_EQ(Kavex_DFReadData(port, 1, 0, 3, 5, out, sizeof out), 5);
        EXPECT_EQ(QByteArray(reinterpret_cast<char*>(out), 5), bytes);
        EXPECT_EQ(File(2).data[30], 0xAA);
        EXPECT_EQ(File(2).data[31], 0xBB);
        status.m_nCurrentAid = -1;
    }
}

TEST_F(FileRwActionsTest, BackupWritesAreCommittedStandardWritesNot)
{
    AddFile(1, sd::FileType::StandardData, 0, 0xEEEE);
    AddFile(2, sd::FileType::BackupData, 0, 0xEEEE);
    CFileRwFrame standard = Frame(1);
    ASSERT_TRUE(WriteFileData(standard, 0, QByteArray("\x42", 1)).ok);
    EXPECT_EQ(Sent(0xC7), 0u);
    CFileRwFrame backup = Frame(2);
    ASSERT_TRUE(WriteFileData(backup, 0, QByteArray("\x43", 1)).ok);
    EXPECT_EQ(Sent(0xC7), 1u);
    EXPECT_EQ(File(2).data[0], 0x43);

    // Beyond the file: refused before the card sees it.
    const size_t writes = Sent(0x3D);
    EXPECT_FALSE(WriteFileData(standard, 31, QByteArray(2, 'x')).ok);
    EXPECT_EQ(line.Text(), LoadStr(kIdsDataBeyondFile).arg(32));
    EXPECT_EQ(Sent(0x3D), writes);
    EXPECT_FALSE(WriteFileData(standard, 0, QByteArray()).ok);
    EXPECT_EQ(line.Text(), LoadStr(kIdsNoDataToWrite));
}

TEST_F(FileRwActionsTest, ValueOperationsCommitAndReportAFailedCommit)
{
    sd::DesfireFile& v = AddFile(3, sd::FileType::Value, 3, AccessRightsWord(14, 1, 2, 0));
    v.value = -1;
    CFileRwFrame frame = Frame(3);
    EXPECT_EQ(GetFileValue(frame, true).text, QStringLiteral("FFFFFFFF"));

    status.RememberKey(kAid, 2, kZeroKey);
    FileRwResult r = ChangeFileValue(frame, FileOp::Credit, 1001, false);
    ASSERT_TRUE(r.ok) << qPrintable(line.Text());
    EXPECT_EQ(r.text, QStringLiteral("1000"));
    EXPECT_EQ(File(3).value, 1000);
    EXPECT_EQ(Sent(0xC7), 1u);

    FailNext(0xC7);
    const size_t debits = Sent(0xDC);
    r = ChangeFileValue(frame, FileOp::Debit, 5, false);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(line.Text(), LoadStr(kIdsOperationOk));
    EXPECT_TRUE(line.Text().startsWith(GetStatusText(port, false, nullptr)));
    EXPECT_FALSE(status.IsAuthenticated());
    EXPECT_EQ(Sent(0xDC), debits + 1); // never sent again by itself

    // A value anyone may read, though no key may touch the file.
    sd::DesfireFile& open = AddFile(6, sd::FileType::Value, 3, AccessRightsWord(15, 15, 15, 0));
    open.value = 1000;
    open.freeGetValue = true;
    CFileRwFrame free = Frame(6);
    EXPECT_EQ(GetFileValue(free, true).text, QStringLiteral("000003E8")) << qPrintable(line.Text());
}

TEST_F(FileRwActionsTest, RecordsAreWrittenReadAndClearedWithConfirmation)
{
    AddFile(4, sd::FileType::LinearRecord, 1, AccessRightsWord(14, 14, 2, 0));
    CFileRwFrame frame = Frame(4);
    QByteArray record;
    QString message;
    ASSERT_TRUE(RecordFromText(QStringLiteral("AB"), false, 4, &record, &message));
    ASSERT_TRUE(WriteFileRecord(frame, record).ok) << qPrintable(line.Text());
    ASSERT_TRUE(WriteFileRecord(frame, QByteArray::fromHex("01020304")).ok);
    ASSERT_EQ(File(4).records.size(), 2u);
    EXPECT_EQ(File(4).records[0], (std::vector<uint8_t>{0x41, 0x42, 0, 0}));
    EXPECT_EQ(frame.Known().currentRecords, 2);

    FileRwResult read = ReadFileRecords(frame, 1, 1); // counted from the newest
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.bytes, record);

    // Past the last record: the boundary error ends the loop at once.
    const size_t reads = Sent(0xBB);
    EXPECT_FALSE(ReadFileRecords(frame, 4, 1).ok);
    EXPECT_EQ(Sent(0xBB), reads + 1);
    // Size x count beyond anything a card holds is not even allocated.
    EXPECT_FALSE(ReadFileRecords(frame, 0, 0xFFFFFF).ok);
    EXPECT_EQ(Sent(0xBB), reads + 1);

    // Clearing names the file and stops when refused.
    status.RememberKey(kAid, 2, kZeroKey);
    int asked = -1;
    EXPECT_FALSE(ClearFileRecords(frame, [&](uint8_t fileNo) { return asked = fileNo, false; }).ok);
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(Sent(0xEB), 0u);
    ASSERT_TRUE(ClearFileRecords(frame, [](uint8_t) { return true; }).ok) << qPrintable(line.Text());
    EXPECT_EQ(Sent(0xC7), 3u);
    EXPECT_TRUE(File(4).records.empty());
    EXPECT_EQ(frame.Known().currentRecords, 0);
    read = ReadFileRecords(frame, 0, 0);
    EXPECT_EQ(read.text, LoadStr(kIdsNoRecords));
}

TEST_F(FileRwActionsTest, AssumedSettingsAreCachedUntilTheFileIsRemade)
{
    // Settings only with the master key, which nobody gives.
    reader.State().applications[kAid].keys.settings = 0x09;
    AddFile(5, sd::FileType::StandardData, 0, 0xEEEE);
    int asks = 0;
    const auto answer = [&](FileKind, int) {
        ++asks;
        FileTypeAnswer a;
        a.result = FileTypeAnswer::Result::Accepted;
        a.accessKind = kRightRead;
        a.condition = kAccessFree;
        return a;
    };
    {
        CFileRwFrame frame = Frame(5);
        frame.m_AskFileType = answer;
        ASSERT_TRUE(ReadFileData(frame, 0, 4).ok) << qPrintable(line.Text());
    }
    EXPECT_EQ(asks, 1);
    const size_t settingsReads = Sent(0xF5);
    {
        CFileRwFrame frame = Frame(5);
        frame.m_AskFileType = answer;
        ASSERT_TRUE(ReadFileData(frame, 0, 4).ok);
        EXPECT_TRUE(frame.Known().assumed);
    }
    EXPECT_EQ(asks, 1);
    EXPECT_EQ(Sent(0xF5), settingsReads);

    status.ForgetFileInfo(kAid, 5); // what deleting the file does
    CFileRwFrame frame = Frame(5);
    frame.m_AskFileType = answer;
    ASSERT_TRUE(ReadFileData(frame, 0, 4).ok);
    EXPECT_EQ(asks, 2);
}

} // namespace
} // namespace velmora
