#include "app/ui/data_file_rw_page.h"

#include "app/model/controls.h"
#include "app/model/file_rw_actions.h"
#include "app/model/file_rw_text.h"
#include "app/model/transfer_file.h"
#include "app/model/ui_strings.h"
#include "app/ui/file_rw_page_host.h"
#include "app/ui/transfer_file_dialog.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <limits>

namespace velmora {

namespace {

// A hex text of a whole file with line breaks: three characters a byte.
constexpr int64_t kTextLoadCap = 4 * int64_t(kDataWriteCap);

} // namespace

CDataFileRWDlg::CDataFileRWDlg(CFileRwPageHost& host, QWidget* parent)
    : QWidget(parent), m_Host(host),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/data_file_rw_page.ui"))),
      m_pOffset(Ctl<QLineEdit>(m_pTemplate, kIdcRwOffset)), m_pLength(Ctl<QLineEdit>(m_pTemplate, kIdcRwLength)),
      m_pData(Ctl<QPlainTextEdit>(m_pTemplate, kIdcRwData)), m_pHex(Ctl<QRadioButton>(m_pTemplate, kIdcRwDataHex)),
      m_pAscii(Ctl<QRadioButton>(m_pTemplate, kIdcRwDataAscii))
{
    layout()->setContentsMargins(0, 0, 0, 0);
    m_pOffset->setText(QStringLiteral("0"));
    m_pLength->setText(QStringLiteral("0"));
    connect(Ctl<QPushButton>(m_pTemplate, kIdcRwReadData), &QPushButton::clicked, this, &CDataFileRWDlg::OnRead);
    connect(Ctl<QPushButton>(m_pTemplate, kIdcRwWriteData), &QPushButton::clicked, this, &CDataFileRWDlg::OnWrite);
    connect(Ctl<QPushButton>(m_pTemplate, kIdcRwSaveData), &QPushButton::clicked, this, &CDataFileRWDlg::OnSave);
    connect(Ctl<QPushButton>(m_pTemplate, kIdcRwLoadData), &QPushButton::clicked, this, &CDataFileRWDlg::OnLoad);
    connect(m_pHex, &QRadioButton::clicked, this, [this] { OnFormat(true); });
    connect(m_pAscii, &QRadioButton::clicked, this, [this] { OnFormat(false); });
    ShowSettings(KnownFileSettings());
}

void CDataFileRWDlg::ShowSettings(const KnownFileSettings& s)
{
    const bool data = s.type == 0 || s.type == 1;
    Ctl<QLineEdit>(m_pTemplate, kIdcRwDataFileType)
        ->setText(!data ? QString() : LoadStr(s.type == 0 ? kIdsStdDataFileName : kIdsBackupDataFileName));
    Ctl<QLineEdit>(m_pTemplate, kIdcFileSize)
        ->setText(data && s.fileSize >= 0 ? QString::asprintf("%.2d", static_cast<int>(s.fileSize))
                                          : QStringLiteral("--"));
}

void CDataFileRWDlg::ClearData()
{
    m_Data.clear();
    m_strShown.clear();
    m_pData->clear();
}

void CDataFileRWDlg::ShowData()
{
    m_strShown = ForView(m_bHex ? DataToHexText(m_Data) : DataToAsciiText(m_Data));
    m_pData->setPlainText(m_strShown);
}

void CDataFileRWDlg::OnRead()
{
    uint32_t offset = 0, length = 0;
    if (!ReadCardNumberField(this, m_pOffset, &offset) || !ReadCardNumberField(this, m_pLength, &length)) return;
    ClearData();
    CFileRwFrame* frame = m_Host.Target();
    if (!frame) return;
    FileRwResult read;
    {
        const CTransferScope transfer(m_Host);
        read = ReadFileData(*frame, offset, length);
    }
    if (!read.ok) return;
    m_Data = read.bytes;
    ShowData();
}

void CDataFileRWDlg::OnWrite()
{
    uint32_t offset = 0, length = 0;
    if (!ReadCardNumberField(this, m_pOffset, &offset) || !ReadCardNumberField(this, m_pLength, &length)) return;
    CFileRwFrame* frame = m_Host.Target();
    if (!frame) return;
    QByteArray bytes;
    QString message;
    if (!WriteFieldBytes(m_pData->toPlainText(), m_bHex, length == 0 ? kDataWriteCap : length, &bytes, &message)) {
        frame->StatusLine().SetText(message);
        return;
    }
    const CTransferScope transfer(m_Host);
    WriteFileData(*frame, offset, bytes);
}

void CDataFileRWDlg::OnFormat(bool hex)
{
    if (hex == m_bHex) return;
    const QString text = m_pData->toPlainText();
    if (text == m_strShown) {
        // What was read, shown the other way; the card is not read again.
        m_bHex = hex;
        ShowData();
        return;
    }
    // Typed or loaded data: the same bytes in the other format, nothing
    // added and nothing lost, or the format stays.
    QByteArray bytes;
    QString message;
    if (!WriteFieldBytes(text, m_bHex, std::numeric_limits<int>::max(), &bytes, &message) ||
        (!hex && AsciiLoses(bytes, false))) {
        m_Host.StatusLine().SetText(message.isEmpty() ? LoadStr(kIdsAsciiLosesBytes) : message);
        CheckFormat(m_pHex, m_pAscii, m_bHex);
        return;
    }
    m_bHex = hex;
    m_pData->setPlainText(ForView(hex ? DataToHexText(bytes) : DataToAsciiText(bytes)));
}

void CDataFileRWDlg::OnSave()
{
    m_Host.StatusLine().SetText(QString());
    if (m_Data.isEmpty()) {
        m_Host.StatusLine().SetText(LoadStr(kIdsNothingToSave));
        return;
    }
    const TransferFileChoice choice = AskTransferFile(this, true);
    if (choice.path.isEmpty()) return;
    QString message;
    if (SaveTransferFile(choice.path, choice.text ? m_pData->toPlainText().toUtf8() : m_Data, &message))
        message = LoadStr(kIdsSavedTo).arg(choice.path);
    m_Host.StatusLine().SetText(message);
}

void CDataFileRWDlg::OnLoad()
{
    m_Host.StatusLine().SetText(QString());
    const TransferFileChoice choice = AskTransferFile(this, false);
    if (choice.path.isEmpty()) return;
    QByteArray content;
    QString message;
    if (!LoadTransferFile(choice.path, choice.text ? kTextLoadCap : kDataWriteCap, &content, &message)) {
        m_Host.StatusLine().SetText(message);
        return;
    }
    // Data to write, not data read: nothing to save or to show again.
    ClearData();
    if (choice.text) {
        m_pData->setPlainText(QString::fromUtf8(content));
    } else {
        m_bHex = true;
        CheckFormat(m_pHex, m_pAscii, true);
        m_pData->setPlainText(ForView(DataToHexText(content)));
    }
    m_Host.StatusLine().SetText(LoadStr(kIdsLoadedFrom).arg(choice.path));
}

} // namespace velmora
