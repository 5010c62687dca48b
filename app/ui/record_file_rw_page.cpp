#include "app/ui/record_file_rw_page.h"

#include "app/model/controls.h"
#include "app/model/file_rw_actions.h"
#include "app/model/file_rw_text.h"
#include "app/model/transfer_file.h"
#include "app/model/ui_strings.h"
#include "app/ui/file_rw_page_host.h"
#include "app/ui/message_service.h"
#include "app/ui/transfer_file_dialog.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velmora {

namespace {

// One record as the write tab shows it: hex lines without the line break
// after the last, or its characters; nothing the record would not hold.
QString RecordForView(const QByteArray& record, bool hex)
{
    if (!hex) return DataToAsciiText(record);
    QString text = ForView(RecordsToText(record, 1, record.size(), true, false));
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    return text;
}

} // namespace

CRecordFileRWDlg::CRecordFileRWDlg(CFileRwPageHost& host, QWidget* parent)
    : QWidget(parent), m_Host(host),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/record_file_rw_page.ui"))),
      m_pStart(Ctl<QLineEdit>(m_pTemplate, kIdcRwStartRecord)),
      m_pCount(Ctl<QLineEdit>(m_pTemplate, kIdcRwRecordCount)),
      m_pRecords(Ctl<QPlainTextEdit>(m_pTemplate, kIdcRwRecords)),
      m_pReadHex(Ctl<QRadioButton>(m_pTemplate, kIdcRwRecordsHex)),
      m_pReadAscii(Ctl<QRadioButton>(m_pTemplate, kIdcRwRecordsAscii)),
      m_pRecordText(Ctl<QPlainTextEdit>(m_pTemplate, kIdcRwRecordText)),
      m_pWriteHex(Ctl<QRadioButton>(m_pTemplate, kIdcRwRecordHex)),
      m_pWriteAscii(Ctl<QRadioButton>(m_pTemplate, kIdcRwRecordAscii))
{
    layout()->setContentsMargins(0, 0, 0, 0);
    m_pStart->setText(QStringLiteral("0"));
    m_pCount->setText(QStringLiteral("0"));
    const auto button = [this](int id) { return Ctl<QPushButton>(m_pTemplate, id); };
    connect(button(kIdcRwReadRecords), &QPushButton::clicked, this, &CRecordFileRWDlg::OnReadRecords);
    connect(button(kIdcRwSaveRecords), &QPushButton::clicked, this, &CRecordFileRWDlg::OnSave);
    connect(button(kIdcRwWriteRecord), &QPushButton::clicked, this, &CRecordFileRWDlg::OnWriteRecord);
    connect(button(kIdcRwClearRecords), &QPushButton::clicked, this, &CRecordFileRWDlg::OnClearRecords);
    connect(button(kIdcRwLoadRecord), &QPushButton::clicked, this, &CRecordFileRWDlg::OnLoad);
    connect(m_pReadHex, &QRadioButton::clicked, this, [this] { OnReadFormat(true); });
    connect(m_pReadAscii, &QRadioButton::clicked, this, [this] { OnReadFormat(false); });
    connect(m_pWriteHex, &QRadioButton::clicked, this, [this] { OnWriteFormat(true); });
    connect(m_pWriteAscii, &QRadioButton::clicked, this, [this] { OnWriteFormat(false); });
    ShowSettings(KnownFileSettings());
}

void CRecordFileRWDlg::ShowSettings(const KnownFileSettings& s)
{
    const bool record = s.type == 3 || s.type == 4;
    m_nRecordSize = record ? s.recordSize : 0;
    // Assumed settings know the record size, never the counts.
    const auto number = [&](int n, bool known) { return known ? QString::number(n) : QStringLiteral("--"); };
    Ctl<QLineEdit>(m_pTemplate, kIdcRwRecordFileType)
        ->setText(!record ? QString() : LoadStr(s.type == 3 ? kIdsLinearRecordFileName : kIdsCyclicRecordFileName));
    Ctl<QLineEdit>(m_pTemplate, kIdcRecordSize)->setText(number(s.recordSize, m_nRecordSize > 0));
    Ctl<QLineEdit>(m_pTemplate, kIdcMaxRecords)->setText(number(s.maxRecords, record && !s.assumed));
    Ctl<QLineEdit>(m_pTemplate, kIdcCurrentRecords)->setText(number(s.currentRecords, record && !s.assumed));
}

void CRecordFileRWDlg::ClearData()
{
    m_Records.clear();
    m_nReadCount = m_nReadSize = 0;
    m_pRecords->clear();
}

void CRecordFileRWDlg::ShowRecords()
{
    m_pRecords->setPlainText(ForView(RecordsToText(m_Records, m_nReadCount, m_nReadSize, m_bReadHex, true)));
}

void CRecordFileRWDlg::OnReadRecords()
{
    uint32_t start = 0, count = 0;
    if (!ReadCardNumberField(this, m_pStart, &start) || !ReadCardNumberField(this, m_pCount, &count)) return;
    ClearData();
    CFileRwFrame* frame = m_Host.Target();
    if (!frame) return;
    FileRwResult read;
    {
        const CTransferScope transfer(m_Host);
        read = ReadFileRecords(*frame, start, count);
    }
    if (!read.text.isEmpty()) {
        m_pRecords->setPlainText(read.text); // "Keine Records"
        return;
    }
    if (!read.ok) return;
    m_Records = read.bytes;
    m_nReadCount = static_cast<int>(count);
    m_nReadSize = frame->Known().recordSize;
    ShowRecords();
}

void CRecordFileRWDlg::OnReadFormat(bool hex)
{
    m_bReadHex = hex;
    if (!m_Records.isEmpty()) ShowRecords();
}

void CRecordFileRWDlg::OnSave()
{
    m_Host.StatusLine().SetText(QString());
    if (m_Records.isEmpty()) {
        m_Host.StatusLine().SetText(LoadStr(kIdsNothingToSave));
        return;
    }
    const TransferFileChoice choice = AskTransferFile(this, true);
    if (choice.path.isEmpty()) return;
    QString message;
    if (SaveTransferFile(choice.path, choice.text ? m_pRecords->toPlainText().toUtf8() : m_Records, &message))
        message = LoadStr(kIdsSavedTo).arg(choice.path);
    m_Host.StatusLine().SetText(message);
}

void CRecordFileRWDlg::OnWriteRecord()
{
    CFileRwFrame* frame = m_Host.Target();
    if (!frame) return;
    const QString text = m_pRecordText->toPlainText();
    QByteArray bytes;
    QString message;
    // A typing error is refused before the card is asked anything.
    if (!WriteFieldBytes(text, m_bWriteHex, kDataWriteCap, &bytes, &message)) {
        frame->StatusLine().SetText(message);
        return;
    }
    const CTransferScope transfer(m_Host);
    WriteFileRecordText(*frame, text, m_bWriteHex);
}

void CRecordFileRWDlg::OnClearRecords()
{
    CFileRwFrame* frame = m_Host.Target();
    if (!frame) return;
    const FileRwResult cleared = ClearFileRecords(*frame, [this](uint8_t fileNo) {
        return AskDestructive(this, LoadStr(kIdsClearRecordsAsk).arg(QString::asprintf("%.2d", fileNo)));
    });
    if (cleared.ok) ClearData();
}

void CRecordFileRWDlg::OnWriteFormat(bool hex)
{
    if (hex == m_bWriteHex) return;
    // Without a record size there is no record to show: the text stays as
    // typed and is read in the new format.
    if (m_nRecordSize <= 0) {
        m_bWriteHex = hex;
        return;
    }
    QByteArray record;
    QString message;
    if (!RecordFromText(m_pRecordText->toPlainText(), m_bWriteHex, m_nRecordSize, &record, &message) ||
        (!hex && AsciiLoses(record, true))) {
        m_Host.StatusLine().SetText(message.isEmpty() ? LoadStr(kIdsAsciiLosesBytes) : message);
        CheckFormat(m_pWriteHex, m_pWriteAscii, m_bWriteHex);
        return;
    }
    m_bWriteHex = hex;
    m_pRecordText->setPlainText(RecordForView(record, hex));
}

void CRecordFileRWDlg::OnLoad()
{
    m_Host.StatusLine().SetText(QString());
    const TransferFileChoice choice = AskTransferFile(this, false);
    if (choice.path.isEmpty()) return;
    QByteArray content;
    QString message;
    // A record is written whole; a longer one is refused when it is written.
    if (!LoadTransferFile(choice.path, choice.text ? 4 * int64_t(kDataWriteCap) : kDataWriteCap, &content, &message)) {
        m_Host.StatusLine().SetText(message);
        return;
    }
    if (choice.text) {
        m_pRecordText->setPlainText(QString::fromUtf8(content));
    } else {
        m_bWriteHex = true;
        CheckFormat(m_pWriteHex, m_pWriteAscii, true);
        m_pRecordText->setPlainText(RecordForView(content, true));
    }
    m_Host.StatusLine().SetText(LoadStr(kIdsLoadedFrom).arg(choice.path));
}

} // namespace velmora
