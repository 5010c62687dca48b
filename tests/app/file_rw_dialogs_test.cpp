// The file read/write dialog opened from the main window on the simulated
// card: data, value and record files in each communication mode, read back
// through the SDK afterwards; what its pages refuse to write; the progress
// of long transfers; and data saved to files and loaded from them.
#include "app/model/file_access_lists.h"
#include "app/model/ui_strings.h"
#include "app/ui/transfer_file_dialog.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"
#include "tests/app/main_window_fixture.h"

#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>

namespace velmora {
namespace {

using test::Find;
using test::SetText;
namespace sd = kavex::sim::desfire;

constexpr uint32_t kAid = 0xF1;
const unsigned char kZeroKey[16] = {};

enum class Kind { Data, Value, Record };

QString Plain(const QWidget& dlg, int id)
{
    return Find<QPlainTextEdit>(dlg, id)->toPlainText();
}
void SetPlain(const QWidget& dlg, int id, const QString& text)
{
    Find<QPlainTextEdit>(dlg, id)->setPlainText(text);
}
void Radio(const QWidget& dlg, int id)
{
    Find<QRadioButton>(dlg, id)->click();
}
void Pick(const QWidget& dlg, int id, const QString& text)
{
    auto* combo = Find<QComboBox>(dlg, id);
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << qPrintable(text);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

class FileRwDialogsTest : public test::MainWindowFixture {
protected:
    int Port() { return Window().PortHandle(); }
    // The application with three zero keys: key 1 reads, key 2 writes.
    void AddApp(uint8_t keySettings = 0x0F)
    {
        sd::Application app;
        app.aid = kAid;
        app.keys = reader.State().NewApplicationKeys(sd::CryptoMethod::Tdes, keySettings, 3);
        reader.State().applications[kAid] = app;
    }
    sd::DesfireFile& AddFile(uint8_t fileNo, Kind kind, uint8_t comm, uint16_t rights = AccessRightsWord(1, 2, 2, 0))
    {
        sd::DesfireFile f;
        f.commSettings = comm;
        f.accessRights = rights;
        if (kind == Kind::Data) {
            f.size = 32;
            f.data.assign(32, 0x11);
        } else if (kind == Kind::Record) {
            f.type = sd::FileType::LinearRecord;
            f.recordSize = 4;
            f.maxRecords = 5;
        } else {
            f.type = sd::FileType::Value;
            f.lowerLimit = -100;
            f.upperLimit = 1000;
            f.value = 10;
        }
        return reader.State().applications[kAid].files[fileNo] = f;
    }
    sd::DesfireFile& File(uint8_t fileNo) { return reader.State().applications[kAid].files[fileNo]; }
    // The card activated, the application's keys known to the session.
    void Activated()
    {
        Window();
        Click(kIdcActivateCard);
        for (int key = 0; key < 3; ++key) Window().CardStatus().RememberKey(kAid, key, {});
    }
    // Runs body in the file read/write dialog and closes it.
    void InDialog(const std::function<void(CModalDialog&)>& body)
    {
        dialogs.Then([body](CModalDialog& dlg) {
            body(dlg);
            dlg.reject();
            return dlg.result();
        });
        Click(kIdcReadWriteFile);
        EXPECT_TRUE(dialogs.steps.empty());
    }
    // What the SDK reads after an authentication with the read key.
    bool AuthenticatedForReading()
    {
        return Kavex_DFSelectApplication(Port(), kAid) == 0 && Kavex_DFAuthenticateISO(Port(), 1, kZeroKey, 16) >= 0;
    }
    static bool Succeeded(const QWidget& dlg) { return Text(dlg, kIdcStatus).startsWith(GermanStr(kIdsOperationOk)); }
};

class FileRwEachMode : public FileRwDialogsTest, public ::testing::WithParamInterface<std::tuple<Kind, uint8_t>> {};

// Read key 1, write and read/write key 2: every operation authenticates as
// its rights ask and sends in the file's mode; what it wrote is on the card.
TEST_P(FileRwEachMode, WhatTheDialogWritesIsOnTheCard)
{
    const auto [kind, comm] = GetParam();
    AddApp();
    AddFile(1, kind, comm);
    Activated();
    InDialog([&](CModalDialog& dlg) {
        switch (kind) {
        case Kind::Data:
            SetText(dlg, kIdcRwOffset, QStringLiteral("2"));
            SetPlain(dlg, kIdcRwData, QStringLiteral("0A 0B\n0C"));
            Click(dlg, kIdcRwWriteData);
            EXPECT_TRUE(Succeeded(dlg)) << qPrintable(Text(dlg, kIdcStatus));
            SetText(dlg, kIdcRwOffset, QStringLiteral("0"));
            Click(dlg, kIdcRwReadData);
            EXPECT_TRUE(Plain(dlg, kIdcRwData).startsWith(QStringLiteral("11 11 0A 0B 0C 11 ")))
                << qPrintable(Plain(dlg, kIdcRwData));
            break;
        case Kind::Value:
            Click(dlg, kIdcRwGetValue);
            EXPECT_EQ(Text(dlg, kIdcRwValue), QStringLiteral("10")) << qPrintable(Text(dlg, kIdcStatus));
            SetText(dlg, kIdcRwAmount, QStringLiteral("5"));
            Click(dlg, kIdcRwCredit);
            EXPECT_EQ(Text(dlg, kIdcRwValue), QStringLiteral("15")) << qPrintable(Text(dlg, kIdcStatus));
            SetText(dlg, kIdcRwAmount, QStringLiteral("3"));
            Click(dlg, kIdcRwDebit);
            EXPECT_EQ(Text(dlg, kIdcRwValue), QStringLiteral("12")) << qPrintable(Text(dlg, kIdcStatus));
            break;
        case Kind::Record:
            SetPlain(dlg, kIdcRwRecordText, QStringLiteral("01 02"));
            Click(dlg, kIdcRwWriteRecord);
            EXPECT_TRUE(Succeeded(dlg)) << qPrintable(Text(dlg, kIdcStatus));
            EXPECT_EQ(Text(dlg, kIdcCurrentRecords), QStringLiteral("1"));
            Click(dlg, kIdcRwReadRecords);
            EXPECT_EQ(Plain(dlg, kIdcRwRecords), QStringLiteral("Record 0:\n01 02 00 00 \n"));
            break;
        }
    });
    ASSERT_TRUE(AuthenticatedForReading());
    unsigned char out[8] = {};
    int value = 0;
    switch (kind) {
    case Kind::Data:
        ASSERT_EQ(Kavex_DFReadData(Port(), 1, comm, 2, 3, out, sizeof out), 3);
        EXPECT_EQ(QByteArray(reinterpret_cast<char*>(out), 3), QByteArray::fromHex("0A0B0C"));
        break;
    case Kind::Value:
        ASSERT_GE(Kavex_DFGetValue(Port(), 1, comm, &value), 0);
        EXPECT_EQ(value, 12);
        break;
    case Kind::Record:
        ASSERT_EQ(Kavex_DFReadRecords(Port(), 1, comm, 0, 1, 4, out, sizeof out), 4);
        EXPECT_EQ(QByteArray(reinterpret_cast<char*>(out), 4), QByteArray::fromHex("01020000"));
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(FileKindsAndModes, FileRwEachMode,
                         ::testing::Combine(::testing::Values(Kind::Data, Kind::Value, Kind::Record),
                                            ::testing::Values(uint8_t{0}, uint8_t{1}, uint8_t{3})));

TEST_F(FileRwDialogsTest, AnotherFileShowsNothingOfTheFirst)
{
    AddApp();
    AddFile(1, Kind::Data, 0, 0xEEEE);
    AddFile(2, Kind::Data, 0, 0xEEEE).data.assign(32, 0x22);
    AddFile(3, Kind::Record, 0, 0xEEEE);
    Activated();
    InDialog([](CModalDialog& dlg) {
        Click(dlg, kIdcRwReadData);
        EXPECT_TRUE(Plain(dlg, kIdcRwData).startsWith(QStringLiteral("11 11")));
        Pick(dlg, kIdcFileNoCombo, QStringLiteral("02"));
        EXPECT_EQ(Plain(dlg, kIdcRwData), QString());
        // The bytes read from file 1 are gone as well, not shown again.
        Radio(dlg, kIdcRwDataAscii);
        EXPECT_EQ(Plain(dlg, kIdcRwData), QString());
        Click(dlg, kIdcRwReadData);
        EXPECT_TRUE(Plain(dlg, kIdcRwData).startsWith(QStringLiteral("\"\"\"\"")));

        Pick(dlg, kIdcFileNoCombo, QStringLiteral("03"));
        Click(dlg, kIdcRwReadRecords);
        EXPECT_EQ(Plain(dlg, kIdcRwRecords), GermanStr(kIdsNoRecords));
        Pick(dlg, kIdcFileNoCombo, QStringLiteral("02"));
        EXPECT_EQ(Plain(dlg, kIdcRwRecords), QString());
    });
}

// The format switch of the record to write shows the record as it will be
// written, adds nothing to it, and changes nothing while the size is unknown.
TEST_F(FileRwDialogsTest, RecordTextIsWrittenAsShownOrRefused)
{
    AddApp();
    AddFile(4, Kind::Record, 0, 0xEEEE);
    Activated();
    InDialog([this](CModalDialog& dlg) {
        Pick(dlg, kIdcFileNoCombo, QStringLiteral("04"));
        Radio(dlg, kIdcRwRecordAscii);
        SetPlain(dlg, kIdcRwRecordText, QStringLiteral("AB"));
        Radio(dlg, kIdcRwRecordHex);
        EXPECT_EQ(Plain(dlg, kIdcRwRecordText), QStringLiteral("AB")); // size not known yet
        Radio(dlg, kIdcRwRecordAscii);

        Click(dlg, kIdcRwReadFileType);
        EXPECT_EQ(Text(dlg, kIdcRecordSize), QStringLiteral("4"));
        Radio(dlg, kIdcRwRecordHex);
        EXPECT_EQ(Plain(dlg, kIdcRwRecordText), QStringLiteral("41 42 00 00 "));
        Radio(dlg, kIdcRwRecordAscii);
        EXPECT_EQ(Plain(dlg, kIdcRwRecordText), QStringLiteral("AB"));
        Click(dlg, kIdcRwWriteRecord);
        EXPECT_TRUE(Succeeded(dlg)) << qPrintable(Text(dlg, kIdcStatus));

        // More than the record holds, a pasted header, a zero the text
        // cannot show: refused, nothing written.
        Radio(dlg, kIdcRwRecordHex);
        SetPlain(dlg, kIdcRwRecordText, QStringLiteral("01 02 03 04 05"));
        Click(dlg, kIdcRwWriteRecord);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsRecordTextTooLong).arg(5).arg(4));
        SetPlain(dlg, kIdcRwRecordText, QStringLiteral("Record 0:\n01 02"));
        Click(dlg, kIdcRwWriteRecord);
        EXPECT_TRUE(Text(dlg, kIdcStatus).startsWith(GermanStr(kIdsWriteHexInvalid).left(20)));
        SetPlain(dlg, kIdcRwRecordText, QStringLiteral("41 00 42"));
        Radio(dlg, kIdcRwRecordAscii);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsAsciiLosesBytes));
        EXPECT_TRUE(Find<QRadioButton>(dlg, kIdcRwRecordHex)->isChecked());
        EXPECT_EQ(File(4).records.size(), 1u);
    });
    EXPECT_EQ(File(4).records.at(0), (std::vector<uint8_t>{0x41, 0x42, 0, 0}));
}

TEST_F(FileRwDialogsTest, DataTextsAreReadStrictly)
{
    AddApp();
    AddFile(1, Kind::Data, 0, 0xEEEE);
    Activated();
    InDialog([this](CModalDialog& dlg) {
        const size_t before = reader.tamper->Commands().size();
        // A byte of three digits would have gone out as 00 EF.
        SetPlain(dlg, kIdcRwData, QStringLiteral("ABC DEF"));
        Click(dlg, kIdcRwWriteData);
        EXPECT_TRUE(Text(dlg, kIdcStatus).startsWith(GermanStr(kIdsWriteHexInvalid).left(20)));
        // Typed hex shown as text: a zero byte would cut it short.
        SetPlain(dlg, kIdcRwData, QStringLiteral("41 00 42"));
        Radio(dlg, kIdcRwDataAscii);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsAsciiLosesBytes));
        SetPlain(dlg, kIdcRwData, QStringLiteral("41 42"));
        Radio(dlg, kIdcRwDataAscii);
        EXPECT_EQ(Plain(dlg, kIdcRwData), QStringLiteral("AB"));
        EXPECT_EQ(reader.tamper->Commands().size(), before);
    });
    EXPECT_EQ(File(1).data, std::vector<uint8_t>(32, 0x11));
}

TEST_F(FileRwDialogsTest, ClearingRecordsAsksNamingTheFile)
{
    AddApp();
    AddFile(4, Kind::Record, 0, AccessRightsWord(14, 14, 2, 0)).records = {{1, 2, 3, 4}};
    Activated();
    InDialog([this](CModalDialog& dlg) {
        Pick(dlg, kIdcFileNoCombo, QStringLiteral("04"));
        Click(dlg, kIdcRwClearRecords);
        EXPECT_EQ(messages.warnings, QStringList{GermanStr(kIdsClearRecordsAsk).arg(QStringLiteral("04"))});
        EXPECT_EQ(File(4).records.size(), 1u);
        messages.answerYes = true;
        Click(dlg, kIdcRwClearRecords);
        EXPECT_TRUE(Succeeded(dlg)) << qPrintable(Text(dlg, kIdcStatus));
    });
    EXPECT_TRUE(File(4).records.empty());
}

// The card gives the settings only to the master key, which the user does
// not give: the user says what the file is instead.
TEST_F(FileRwDialogsTest, TheUserTellsTheFileTypeTheCardKeeps)
{
    AddApp(0x09);
    AddFile(4, Kind::Record, 0, 0xEEEE).records = {{1, 2, 3, 4}};
    Activated();
    Window().CardStatus().ForgetKeys(kAid, 0);
    const auto answer = [](int recordSize) {
        return [recordSize](CModalDialog& ask) {
            EXPECT_EQ(Find<QComboBox>(ask, kIdcRwAskFileType)->currentText(), QStringLiteral("Record-File"));
            EXPECT_EQ(Find<QComboBox>(ask, kIdcRwAccessKind)->currentText(), QStringLiteral("Lesezugriff"));
            SetText(ask, kIdcRecordSize, QString::number(recordSize));
            Click(ask, kIdOk);
            return ask.result();
        };
    };
    InDialog([&](CModalDialog& dlg) {
        SetText(dlg, kIdcFileNoEdit, QStringLiteral("4"));
        // Cancelled once is not asked again by the second attempt.
        dialogs.Then(test::ScriptedDialogs::Cancel());
        Click(dlg, kIdcRwReadRecords);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsCancelled));
        EXPECT_TRUE(dialogs.steps.empty());
        // Each of the operation's two attempts asks.
        dialogs.Then(answer(0));
        dialogs.Then(answer(0));
        Click(dlg, kIdcRwReadRecords);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsRecordSizeZero));
        dialogs.Then(answer(4));
        Click(dlg, kIdcRwReadRecords);
        EXPECT_EQ(Plain(dlg, kIdcRwRecords), QStringLiteral("Record 0:\n01 02 03 04 \n"));
        EXPECT_EQ(Text(dlg, kIdcRecordSize), QStringLiteral("4"));
    });
    EXPECT_EQ(dialogs.runs.count(QStringLiteral("velmora::CGetFileTypeForRWDlg")), 4);
}

class FileRwTransfers : public FileRwDialogsTest, public ::testing::WithParamInterface<bool> {
protected:
    void TearDown() override { SetTransferFileChooser(nullptr); }
};

// 2000 bytes take many frames: the bar counts up to them, and what was
// saved from one file and loaded for another reaches the card unchanged.
TEST_P(FileRwTransfers, ProgressAndFilesRoundTrip)
{
    const bool text = GetParam();
    AddApp();
    sd::DesfireFile& source = AddFile(1, Kind::Data, 3, AccessRightsWord(1, 2, 2, 0));
    source.size = 2000;
    source.data.resize(2000);
    for (size_t i = 0; i < source.data.size(); ++i) source.data[i] = static_cast<uint8_t>(i * 7);
    AddFile(2, Kind::Data, 1, AccessRightsWord(1, 2, 2, 0)).data.assign(2000, 0);
    File(2).size = 2000;
    Activated();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data"));
    SetTransferFileChooser([&](bool) { return TransferFileChoice{path, text}; });

    InDialog([&](CModalDialog& dlg) {
        auto* bar = Find<QProgressBar>(dlg, kIdcRwProgress);
        std::vector<int> seen;
        QObject::connect(bar, &QProgressBar::valueChanged, [&](int v) { seen.push_back(v); });
        Click(dlg, kIdcRwReadData);
        ASSERT_GT(seen.size(), 2u) << qPrintable(Text(dlg, kIdcStatus));
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        EXPECT_EQ(seen.back(), 2000);
        EXPECT_EQ(bar->maximum(), 2000);
        EXPECT_TRUE(bar->isHidden());
        const QString shown = Plain(dlg, kIdcRwData);

        Click(dlg, kIdcRwSaveData);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsSavedTo).arg(path));
        QFile saved(path);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(saved.readAll(),
                  text ? shown.toUtf8() : QByteArray(reinterpret_cast<const char*>(source.data.data()), 2000));

        Pick(dlg, kIdcFileNoCombo, QStringLiteral("02"));
        Click(dlg, kIdcRwLoadData);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsLoadedFrom).arg(path));
        seen.clear();
        Click(dlg, kIdcRwWriteData);
        EXPECT_TRUE(Succeeded(dlg)) << qPrintable(Text(dlg, kIdcStatus));
        EXPECT_EQ(seen.empty() ? 0 : seen.back(), 2000);
    });
    EXPECT_EQ(File(2).data, source.data);
}

INSTANTIATE_TEST_SUITE_P(BinaryAndText, FileRwTransfers, ::testing::Bool());

} // namespace
} // namespace velmora
